#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lumeno::server {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

// An RGB picture drawn by the generators and written as PNG or JPEG.
class Raster {
  public:
    Raster(int width, int height, Rgb fill);

    int width() const { return width_; }
    int height() const { return height_; }
    void Set(int x, int y, Rgb color);
    Rgb Get(int x, int y) const;
    void FillRect(int x0, int y0, int x1, int y1, Rgb color);
    void FillCircle(int cx, int cy, int radius, Rgb color);
    const std::vector<std::uint8_t>& pixels() const { return pixels_; }

  private:
    int width_;
    int height_;
    std::vector<std::uint8_t> pixels_;  // rows of r, g, b
};

std::string EncodePng(const Raster& raster);
std::string EncodeJpeg(const Raster& raster, int quality);

}  // namespace lumeno::server
