#include "platform/audio_output.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#include <QPointer>
#include <QTimer>

namespace platform {
namespace {

int& OpenCount() {
    static int count = 0;
    return count;
}

}  // namespace

struct ClipOutput::State {
    QByteArray data;
    QBuffer buffer;
    QAudioSink* sink = nullptr;  // null while silent or idle
    QTimer silence;              // the clip's length, when it plays into nothing
    Notify notify;
    bool open = false;
    bool silent = false;
    int generation = 0;  // stale signals of a closed sink are ignored

    void Close() {
        ++generation;
        silence.stop();
        if (sink) {
            sink->disconnect();
            sink->stop();
            // The sink may be inside one of its own signals: deleted once that has returned.
            sink->deleteLater();
            sink = nullptr;
        }
        buffer.close();
        buffer.setData(QByteArray());
        data = QByteArray();  // frees the samples
        if (open) --OpenCount();
        open = false;
        silent = false;
    }

    // Ends the clip and tells its owner why, after everything is released.
    void Finish(AudioNotice notice) {
        Notify told = std::move(notify);
        notify = nullptr;
        Close();
        if (told) told(notice);
    }
};

ClipOutput& ClipOutput::Instance() {
    static ClipOutput output;
    return output;
}

ClipOutput::ClipOutput() : state_(std::make_unique<State>()) {
    state_->silence.setSingleShot(true);
    QObject::connect(&state_->silence, &QTimer::timeout,
                     [state = state_.get()] { state->Finish(AudioNotice::kDone); });
}

ClipOutput::~ClipOutput() {
    state_->notify = nullptr;
    state_->Close();
}

bool ClipOutput::Play(std::vector<std::int16_t> samples, int sampleRate, Notify notify) {
    State& s = *state_;
    s.notify = nullptr;
    s.Close();
    if (sampleRate <= 0 || samples.empty()) return false;
    s.data = QByteArray(reinterpret_cast<const char*>(samples.data()),
                        static_cast<qsizetype>(samples.size() * sizeof(std::int16_t)));
    const auto lengthMs =
        static_cast<int>(static_cast<std::int64_t>(samples.size()) * 1000 / sampleRate);
    std::vector<std::int16_t>().swap(samples);
    s.notify = std::move(notify);
    s.open = true;
    ++OpenCount();

    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (!device.isNull() && device.isFormatSupported(format) && !s.data.isEmpty()) {
        s.sink = new QAudioSink(device, format);
        s.buffer.setData(s.data);
        s.buffer.open(QIODevice::ReadOnly);
        const int generation = s.generation;
        QObject::connect(s.sink, &QAudioSink::stateChanged, [&s, generation](QAudio::State st) {
            if (generation != s.generation || !s.sink) return;
            if (st == QAudio::IdleState && s.buffer.atEnd()) {
                s.Finish(AudioNotice::kDone);
            } else if (st == QAudio::StoppedState && s.sink->error() != QAudio::NoError) {
                s.Finish(AudioNotice::kClosed);
            }
        });
        s.sink->start(&s.buffer);
        if (s.sink->error() != QAudio::NoError) {
            // The device refused: the clip plays into nothing instead.
            s.sink->disconnect();
            s.sink->deleteLater();
            s.sink = nullptr;
            s.buffer.close();
        }
    }
    if (!s.sink) {
        s.silent = true;
        s.silence.start(std::max(lengthMs, 1));
    }
    if (s.notify) s.notify(AudioNotice::kOpened);
    return true;
}

void ClipOutput::Stop() {
    state_->notify = nullptr;
    state_->Close();
}

bool ClipOutput::Playing() const {
    return state_->open;
}

bool ClipOutput::Silent() const {
    return state_->open && state_->silent;
}

int ClipOutput::OpenOutputs() {
    return OpenCount();
}

std::size_t ClipOutput::HeldBytes() const {
    return static_cast<std::size_t>(state_->data.size());
}

}  // namespace platform
