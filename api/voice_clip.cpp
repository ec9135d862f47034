#include "api/voice_clip.h"

#include <speex/speex.h>

#include <limits>

namespace {

std::int64_t FrameLengthOf(std::string_view clip) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(
                     static_cast<unsigned char>(clip[kVoiceFrameLengthOffset + i]))
                 << (8 * i);
    return static_cast<std::int32_t>(value);
}

// The decoder and its bit reader, released however decoding ends.
class SpeexDecoder {
  public:
    SpeexDecoder() : state_(speex_decoder_init(speex_lib_get_mode(SPEEX_MODEID_WB))) {
        if (!state_) return;
        int enhance = 1;
        speex_decoder_ctl(state_, SPEEX_SET_ENH, &enhance);
        speex_bits_init(&bits_);
    }
    ~SpeexDecoder() {
        if (!state_) return;
        speex_bits_destroy(&bits_);
        speex_decoder_destroy(state_);
    }
    SpeexDecoder(const SpeexDecoder&) = delete;
    SpeexDecoder& operator=(const SpeexDecoder&) = delete;

    bool Ready() const { return state_ != nullptr; }
    // Decodes one frame into `out` (kVoiceSamplesPerFrame samples). False for a corrupt frame.
    bool Decode(std::string_view frame, spx_int16_t* out) {
        speex_bits_read_from(&bits_, const_cast<char*>(frame.data()),
                             static_cast<int>(frame.size()));
        return speex_decode_int(state_, &bits_, out) != -2;
    }

  private:
    void* state_;
    SpeexBits bits_{};
};

}  // namespace

ClipFault DecodeVoiceClip(std::string_view clip, std::vector<std::int16_t>& samples) {
    samples.clear();
    if (clip.size() <= kVoiceHeaderBytes) return ClipFault::kTooShort;
    const std::int64_t frameLength = FrameLengthOf(clip);
    const std::size_t body = clip.size() - kVoiceHeaderBytes;
    if (frameLength <= 0 || frameLength > std::numeric_limits<int>::max())
        return ClipFault::kBadFrameLength;
    const auto length = static_cast<std::size_t>(frameLength);
    if (length > body) {
        // A frame longer than all that follows the header: either the length is nonsense or
        // the clip was cut inside its first frame. Neither gives a sound.
        return length < 65536 ? ClipFault::kNoWholeFrame : ClipFault::kBadFrameLength;
    }
    const std::size_t frames = body / length;
    if (frames > kMostVoiceFrames) return ClipFault::kTooLong;

    SpeexDecoder decoder;
    if (!decoder.Ready()) return ClipFault::kDecoderMissing;
    std::vector<std::int16_t> out(frames * kVoiceSamplesPerFrame);
    std::size_t offset = kVoiceHeaderBytes;
    for (std::size_t f = 0; f < frames; ++f) {
        // Every frame lies inside the clip: offset + length never passes its end.
        if (length > clip.size() - offset) return ClipFault::kBadFrameLength;
        if (!decoder.Decode(clip.substr(offset, length), out.data() + f * kVoiceSamplesPerFrame))
            return ClipFault::kCorrupt;
        offset += length;
    }
    samples = std::move(out);
    return ClipFault::kNone;
}

const char* ClipFaultText(ClipFault fault) {
    switch (fault) {
        case ClipFault::kNone:
            return "";
        case ClipFault::kTooShort:
        case ClipFault::kNoWholeFrame:
            return "语音文件不完整，无法播放";
        case ClipFault::kBadFrameLength:
        case ClipFault::kCorrupt:
            return "语音文件已损坏，无法播放";
        case ClipFault::kTooLong:
            return "语音太长，无法播放";
        case ClipFault::kDecoderMissing:
            return "无法解码语音";
    }
    return "无法播放语音";
}
