#pragma once

#include <cstdint>
#include <string>

namespace lumeno::server {

// Pictures the service makes itself, so that the demo needs nothing from outside. Each is the
// same for the same seed.

// A 120 × 120 symmetric pattern in a colour of its own (PNG).
std::string AvatarPng(std::uint32_t seed);
// A landscape photograph stand-in: sky, sun, hills and water (JPEG).
std::string LandscapeJpeg(std::uint32_t seed, int width, int height);
// A company logo: a rounded tile with a simple mark (PNG).
std::string LogoPng(std::uint32_t seed);

}  // namespace lumeno::server
