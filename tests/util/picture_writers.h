#pragma once
// Test pictures made with libpng and libjpeg directly, so that every colour type, bit depth,
// interlacing and chunk the decoders must handle can be produced exactly.

#include <cstdint>
#include <string>
#include <vector>

namespace lumeno::test {

struct PngSpec {
    int width = 1;
    int height = 1;
    int bitDepth = 8;
    int colorType = 2;  // PNG_COLOR_TYPE_RGB
    bool interlaced = false;
    double gamma = 0;                     // written as a gAMA chunk when not 0
    std::vector<std::uint8_t> palette;    // RGB triples for palette pictures
    std::vector<std::uint8_t> trnsAlpha;  // tRNS alphas for palette pictures
    // Rows as the PNG stores them (packed samples, big-endian 16-bit).
    std::vector<std::vector<std::uint8_t>> rows;
};

std::vector<std::uint8_t> WritePng(const PngSpec& picture);

// A JPEG of `components` (1 grey, 3 RGB, 4 CMYK) where every pixel has `sample` values.
std::vector<std::uint8_t> WriteJpeg(int width, int height, int components,
                                    const std::vector<std::uint8_t>& sample);

}  // namespace lumeno::test
