// Decoding a one-minute voice clip with every frame checked, as a ratio to a bare libspeex loop
// over the same frames and to the clip's own length, measured in this run.
#include <speex/speex.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "api/voice_clip.h"
#include "tests/support/tone_clip.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFrameBytes = 70;

// A clip `seconds` long.
std::string Clip(int seconds) {
    return lumeno::test::ToneClip(seconds * kVoiceSampleRate / kVoiceSamplesPerFrame, kFrameBytes);
}

// The same frames through the library alone: no checks, no result kept beyond one frame.
std::size_t BareDecode(const std::string& clip) {
    void* decoder = speex_decoder_init(speex_lib_get_mode(SPEEX_MODEID_WB));
    int enhance = 1;
    speex_decoder_ctl(decoder, SPEEX_SET_ENH, &enhance);
    SpeexBits bits;
    speex_bits_init(&bits);
    std::vector<spx_int16_t> out(kVoiceSamplesPerFrame);
    std::size_t samples = 0;
    for (std::size_t offset = 80; offset + kFrameBytes <= clip.size(); offset += kFrameBytes) {
        speex_bits_read_from(&bits, const_cast<char*>(clip.data() + offset), kFrameBytes);
        speex_decode_int(decoder, &bits, out.data());
        samples += kVoiceSamplesPerFrame;
    }
    speex_bits_destroy(&bits);
    speex_decoder_destroy(decoder);
    return samples;
}

template <typename Body>
double MedianMs(int rounds, Body body) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        body();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    const int seconds = 60;
    const std::string clip = Clip(seconds);
    std::size_t sink = 0;
    const double bare = MedianMs(9, [&] { sink += BareDecode(clip); });
    const double checked = MedianMs(9, [&] {
        std::vector<std::int16_t> samples;
        if (DecodeVoiceClip(clip, samples) == ClipFault::kNone) sink += samples.size();
    });
    std::printf(
        "a %d s clip (%zu bytes): checked decode %.1f ms, bare libspeex %.1f ms: %.2fx;"
        " %.0fx faster than real time (%zu samples)\n",
        seconds, clip.size(), checked, bare, checked / bare, seconds * 1000.0 / checked, sink);
    return 0;
}
