#include "platform/audio_output.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#include <QPointer>

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
    QAudioSink* sink = nullptr;  // null while idle
    Notify notify;
    bool open = false;
    bool sounding = false;  // kOpened was told
    int generation = 0;     // stale signals of a closed sink are ignored

    void Close() {
        ++generation;
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
        sounding = false;
    }

    // Ends the clip and tells its owner why, after everything is released.
    void Finish(AudioNotice notice) {
        Notify told = std::move(notify);
        notify = nullptr;
        Close();
        if (told) told(notice);
    }

    // The sink's state as it changes (and once after its start).
    void Follow(QAudio::State st) {
        if (!sink) return;
        if (st == QAudio::ActiveState && !sounding) {
            sounding = true;
            if (notify) notify(AudioNotice::kOpened);
        } else if (st == QAudio::IdleState && buffer.atEnd()) {
            Finish(sounding ? AudioNotice::kDone : AudioNotice::kRefused);
        } else if (st == QAudio::StoppedState && sink->error() != QAudio::NoError) {
            Finish(sounding ? AudioNotice::kClosed : AudioNotice::kRefused);
        }
    }
};

ClipOutput& ClipOutput::Instance() {
    static ClipOutput output;
    return output;
}

ClipOutput::ClipOutput() : state_(std::make_unique<State>()) {}

ClipOutput::~ClipOutput() {
    state_->notify = nullptr;
    state_->Close();
}

PlayStart ClipOutput::Play(std::vector<std::int16_t> samples, int sampleRate, Notify notify) {
    State& s = *state_;
    s.notify = nullptr;
    s.Close();
    if (sampleRate <= 0 || samples.empty()) return PlayStart::kNothingToPlay;
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return PlayStart::kNoDevice;
    if (!device.isFormatSupported(format)) return PlayStart::kRefused;

    s.data = QByteArray(reinterpret_cast<const char*>(samples.data()),
                        static_cast<qsizetype>(samples.size() * sizeof(std::int16_t)));
    std::vector<std::int16_t>().swap(samples);
    s.open = true;
    ++OpenCount();
    s.sink = new QAudioSink(device, format);
    s.buffer.setData(s.data);
    s.buffer.open(QIODevice::ReadOnly);
    const int generation = s.generation;
    QObject::connect(s.sink, &QAudioSink::stateChanged, [&s, generation](QAudio::State st) {
        if (generation == s.generation) s.Follow(st);
    });
    // What the sink says while it starts is read after: no notice comes from inside Play.
    s.sink->start(&s.buffer);
    if (!s.sink || s.sink->error() != QAudio::NoError) {
        s.Close();
        return PlayStart::kRefused;
    }
    s.notify = std::move(notify);
    if (s.sounding) {
        s.notify(AudioNotice::kOpened);
    } else if (s.sink->state() == QAudio::ActiveState) {
        s.Follow(QAudio::ActiveState);
    }
    return PlayStart::kStarted;
}

void ClipOutput::Stop() {
    state_->notify = nullptr;
    state_->Close();
}

bool ClipOutput::Playing() const {
    return state_->open;
}

int ClipOutput::OpenOutputs() {
    return OpenCount();
}

std::size_t ClipOutput::HeldBytes() const {
    return static_cast<std::size_t>(state_->data.size());
}

}  // namespace platform
