#pragma once
// Voice clips as the service stores them: an 80-byte Speex stream header whose first reserved
// field (offset 72, little-endian) holds the length of every encoded frame, then wideband
// frames of exactly that length, back to back. Decoding gives 16-bit mono samples at 16 000 a
// second, 320 per frame. The header and every frame are checked against the bytes that are
// really there before the decoder reads them.

#include <cstdint>
#include <string_view>
#include <vector>

constexpr int kVoiceSampleRate = 16000;
constexpr int kVoiceSamplesPerFrame = 320;
constexpr std::size_t kVoiceHeaderBytes = 80;
constexpr std::size_t kVoiceFrameLengthOffset = 72;
// Ten minutes of sound: a longer clip is refused rather than decoded into memory.
constexpr std::size_t kMostVoiceFrames = 10 * 60 * kVoiceSampleRate / kVoiceSamplesPerFrame;
// Largest clip downloaded.
constexpr std::size_t kMostVoiceClipBytes = 4u * 1024 * 1024;

enum class ClipFault {
    kNone,
    kTooShort,        // no whole header
    kBadFrameLength,  // 0, negative, or longer than the frames that follow
    kNoWholeFrame,    // the clip stops inside its first frame
    kTooLong,         // more frames than a clip may hold
    kCorrupt,         // the decoder found a frame that is not Speex
    kDecoderMissing,  // the library gave no wideband decoder
};

// Decodes `clip` into `samples` (replaced). Trailing bytes that do not fill a frame are ignored.
// On a fault `samples` is left empty.
ClipFault DecodeVoiceClip(std::string_view clip, std::vector<std::int16_t>& samples);

// What the user is told when a clip cannot be played for that reason.
const char* ClipFaultText(ClipFault fault);
