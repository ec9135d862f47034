#include "server/media/speex_clip.h"

#include <speex/speex.h>
#include <speex/speex_header.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace lumeno::server {

std::string SpeexClip(std::uint32_t seed, int seconds) {
    const SpeexMode* mode = speex_lib_get_mode(SPEEX_MODEID_WB);
    void* encoder = speex_encoder_init(mode);
    if (!encoder) throw std::runtime_error("no speex encoder");
    int quality = 8;
    speex_encoder_ctl(encoder, SPEEX_SET_QUALITY, &quality);
    int frame_size = 0;
    speex_encoder_ctl(encoder, SPEEX_GET_FRAME_SIZE, &frame_size);
    const int rate = 16000;

    SpeexBits bits;
    speex_bits_init(&bits);
    const double notes[] = {261.6, 293.7, 329.6, 349.2, 392.0, 440.0, 493.9, 523.3};
    std::vector<std::string> frames;
    size_t frame_bytes = 0;
    std::vector<spx_int16_t> samples(static_cast<size_t>(frame_size));
    int total_frames = seconds * rate / frame_size;
    for (int f = 0; f < total_frames; ++f) {
        for (int i = 0; i < frame_size; ++i) {
            int n = f * frame_size + i;
            int note_index = static_cast<int>((n / (rate / 4) + seed) % 8);
            double t = static_cast<double>(n) / rate;
            double envelope = 0.5 + 0.5 * std::sin(t * 3.14159 * 4);
            double v = std::sin(2 * 3.14159265 * notes[note_index] * t) * envelope * 9000;
            samples[static_cast<size_t>(i)] = static_cast<spx_int16_t>(v);
        }
        speex_bits_reset(&bits);
        speex_encode_int(encoder, samples.data(), &bits);
        speex_bits_insert_terminator(&bits);
        std::vector<char> out(static_cast<size_t>(speex_bits_nbytes(&bits)) + 8);
        int n = speex_bits_write(&bits, out.data(), static_cast<int>(out.size()));
        frames.emplace_back(out.data(), static_cast<size_t>(n));
        frame_bytes = std::max(frame_bytes, static_cast<size_t>(n));
    }
    speex_bits_destroy(&bits);
    speex_encoder_destroy(encoder);

    SpeexHeader header;
    speex_init_header(&header, rate, 1, mode);
    header.frames_per_packet = 1;
    header.reserved1 = static_cast<spx_int32_t>(frame_bytes);
    int header_size = 0;
    char* packet = speex_header_to_packet(&header, &header_size);
    std::string clip(packet, static_cast<size_t>(header_size));
    speex_header_free(packet);
    if (clip.size() != 80) throw std::runtime_error("unexpected speex header size");
    for (int i = 0; i < 4; ++i)  // little-endian, whatever the machine
        clip[static_cast<size_t>(72 + i)] = static_cast<char>((frame_bytes >> (8 * i)) & 0xFF);
    for (std::string& frame : frames) {
        frame.resize(frame_bytes, '\0');  // every frame exactly as long as the header says
        clip += frame;
    }
    return clip;
}

}  // namespace lumeno::server
