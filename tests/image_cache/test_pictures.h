#pragma once
// Real picture files made for the tests.

#include <cstdint>
#include <string>

namespace lumeno::test {

// A PNG (or another format Qt writes: "JPG", "BMP") of one colour (0xRRGGBB).
std::string SolidPicture(int width, int height, std::uint32_t rgb, const char* format = "PNG");

}  // namespace lumeno::test
