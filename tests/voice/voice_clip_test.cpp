// Voice clips as stored by the service: a sound clip decodes back to its tone, and every broken
// clip is refused before the decoder reads past the data.

#include <gtest/gtest.h>
#include <speex/speex.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "api/voice_clip.h"
#include "tests/support/tone_clip.h"

namespace {

using lumeno::test::ToneClip;

std::string WithFrameLength(std::string clip, std::uint32_t length) {
    for (int i = 0; i < 4; ++i)
        clip[static_cast<size_t>(72 + i)] = static_cast<char>((length >> (8 * i)) & 0xFF);
    return clip;
}

TEST(VoiceClip, DecodesWholeFramesBackToTheToneAndIgnoresATrailingPart) {
    std::vector<std::int16_t> samples;
    // 50 frames (one second) plus 10 bytes that do not fill a frame.
    std::string clip = ToneClip(50, 70) + std::string(10, '\x55');
    ASSERT_EQ(DecodeVoiceClip(clip, samples), ClipFault::kNone);
    ASSERT_EQ(samples.size(), 50u * kVoiceSamplesPerFrame);
    // The tone is there: loud after the decoder has settled, and crossing zero about 880 times
    // a second.
    double energy = 0;
    int crossings = 0;
    for (size_t i = 4000; i < samples.size(); ++i) {
        energy += static_cast<double>(samples[i]) * samples[i];
        if ((samples[i - 1] < 0) != (samples[i] < 0)) ++crossings;
    }
    const double rms = std::sqrt(energy / static_cast<double>(samples.size() - 4000));
    EXPECT_GT(rms, 2000);
    const double seconds = static_cast<double>(samples.size() - 4000) / kVoiceSampleRate;
    EXPECT_NEAR(crossings / seconds, 880, 60);

    // Three frames of 38 bytes: 960 samples, 1920 bytes.
    ASSERT_EQ(DecodeVoiceClip(ToneClip(3, 38), samples), ClipFault::kNone);
    EXPECT_EQ(samples.size() * sizeof(std::int16_t), 1920u);
}

// The edges: a clip of exactly one frame, and of exactly the most frames a clip may hold, play
// whole; one frame more is refused.
TEST(VoiceClip, OneFrameAndTheMostFramesPlayWholeAndOneMoreIsRefused) {
    std::vector<std::int16_t> samples;
    const std::string one = ToneClip(1, 38);
    ASSERT_EQ(one.size(), 80u + 38u);
    ASSERT_EQ(DecodeVoiceClip(one, samples), ClipFault::kNone);
    EXPECT_EQ(samples.size(), kVoiceSamplesPerFrame);

    const std::string header = one.substr(0, 80);
    const std::string frame = one.substr(80);
    std::string most = header;
    most.reserve(80 + (kMostVoiceFrames + 1) * frame.size());
    for (std::size_t i = 0; i < kMostVoiceFrames; ++i)
        most += frame;
    ASSERT_EQ(DecodeVoiceClip(most, samples), ClipFault::kNone);
    EXPECT_EQ(samples.size(), kMostVoiceFrames * kVoiceSamplesPerFrame);
    most += frame;
    EXPECT_EQ(DecodeVoiceClip(most, samples), ClipFault::kTooLong);
    EXPECT_TRUE(samples.empty());
}

TEST(VoiceClip, BrokenClipsAreRefusedWithoutSamples) {
    const std::string good = ToneClip(20, 70);
    std::mt19937 random(17);
    std::string noise(good.size(), '\0');
    for (char& c : noise)
        c = static_cast<char>(random() & 0xFF);
    noise = WithFrameLength(noise, 0x00123456);  // whatever the noise says, far beyond the data

    const struct {
        const char* what;
        std::string clip;
        ClipFault fault;
    } cases[] = {
        {"empty", std::string(), ClipFault::kTooShort},
        {"cut inside the header", good.substr(0, 50), ClipFault::kTooShort},
        {"exactly the header", good.substr(0, 80), ClipFault::kTooShort},
        {"frame length 0", WithFrameLength(good, 0), ClipFault::kBadFrameLength},
        {"negative frame length", WithFrameLength(good, 0xFFFFFFF6u), ClipFault::kBadFrameLength},
        {"huge frame length", WithFrameLength(good, 0x7FFFFFF0u), ClipFault::kBadFrameLength},
        {"one byte past the data",
         WithFrameLength(good, static_cast<std::uint32_t>(good.size() - 79)),
         ClipFault::kNoWholeFrame},
        {"cut inside the first frame", good.substr(0, 80 + 35), ClipFault::kNoWholeFrame},
        {"random bytes", noise, ClipFault::kBadFrameLength},
        // One-byte frames of a large clip would decode into more sound than a clip may hold.
        {"too many frames", WithFrameLength(std::string(80 + kMostVoiceFrames + 1, '\0'), 1),
         ClipFault::kTooLong},
    };
    for (const auto& c : cases) {
        std::vector<std::int16_t> samples(5, 1);
        EXPECT_EQ(DecodeVoiceClip(c.clip, samples), c.fault) << c.what;
        EXPECT_TRUE(samples.empty()) << c.what;
        EXPECT_STRNE(ClipFaultText(c.fault), "") << c.what;
    }

    // Noise after a sane header: whatever the decoder makes of it, it never reads past the data
    // and yields whole frames or nothing.
    std::string garbled = good.substr(0, 80) + noise.substr(80);
    std::vector<std::int16_t> samples;
    const ClipFault fault = DecodeVoiceClip(garbled, samples);
    if (fault == ClipFault::kNone) {
        EXPECT_EQ(samples.size(), (garbled.size() - 80) / 70 * kVoiceSamplesPerFrame);
    } else {
        EXPECT_EQ(fault, ClipFault::kCorrupt);
        EXPECT_TRUE(samples.empty());
    }
}

}  // namespace
