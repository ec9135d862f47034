#pragma once
// Voice clips made here for tests and benchmarks: `frames` Speex wideband frames of a 440 Hz
// tone, each padded to `frameLength` bytes, behind the 80-byte header that names that length.

#include <speex/speex.h>

#include <cmath>
#include <string>
#include <vector>

#include "api/voice_clip.h"

namespace lumeno::test {

inline std::string ToneClip(int frames, int frameLength) {
    void* encoder = speex_encoder_init(speex_lib_get_mode(SPEEX_MODEID_WB));
    int quality = 8;
    speex_encoder_ctl(encoder, SPEEX_SET_QUALITY, &quality);
    SpeexBits bits;
    speex_bits_init(&bits);
    std::string clip(80, '\0');
    for (int i = 0; i < 4; ++i)
        clip[static_cast<size_t>(72 + i)] = static_cast<char>((frameLength >> (8 * i)) & 0xFF);
    std::vector<spx_int16_t> pcm(kVoiceSamplesPerFrame);
    for (int f = 0; f < frames; ++f) {
        for (int i = 0; i < kVoiceSamplesPerFrame; ++i) {
            const double t = static_cast<double>(f * kVoiceSamplesPerFrame + i) / kVoiceSampleRate;
            pcm[static_cast<size_t>(i)] =
                static_cast<spx_int16_t>(8000 * std::sin(2 * M_PI * 440 * t));
        }
        speex_bits_reset(&bits);
        speex_encode_int(encoder, pcm.data(), &bits);
        // The library writes at most `frameLength` bytes of the frame.
        std::string frame(static_cast<size_t>(frameLength), '\0');
        speex_bits_write(&bits, frame.data(), frameLength);
        clip += frame;
    }
    speex_bits_destroy(&bits);
    speex_encoder_destroy(encoder);
    return clip;
}

}  // namespace lumeno::test
