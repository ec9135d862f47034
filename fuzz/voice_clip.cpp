// Voice clips as the service delivers them: header, frame length and Speex frames.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "api/voice_clip.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view clip(reinterpret_cast<const char*>(data), size);
    std::vector<std::int16_t> samples{1, 2, 3};
    const ClipFault fault = DecodeVoiceClip(clip, samples);
    if (fault != ClipFault::kNone) {
        FUZZ_EXPECT(samples.empty());
        FUZZ_EXPECT(ClipFaultText(fault) != nullptr);
        return 0;
    }
    FUZZ_EXPECT(!samples.empty());
    FUZZ_EXPECT(samples.size() % kVoiceSamplesPerFrame == 0);
    FUZZ_EXPECT(samples.size() / kVoiceSamplesPerFrame <= kMostVoiceFrames);
    // Every frame takes at least one byte of the clip.
    FUZZ_EXPECT(samples.size() / kVoiceSamplesPerFrame <= size - kVoiceHeaderBytes);
    return 0;
}
