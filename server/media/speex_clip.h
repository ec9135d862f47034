#pragma once

#include <cstdint>
#include <string>

namespace lumeno::server {

// A voice clip as the service stores them: an 80-byte Speex header whose first reserved field
// (offset 72) holds the length of every frame, then wideband frames of exactly that length.
// The sound is a short sung phrase, different for each seed.
std::string SpeexClip(std::uint32_t seed, int seconds);

}  // namespace lumeno::server
