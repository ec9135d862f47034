#include "server/media/artwork.h"

#include <cmath>

#include "server/media/raster.h"

namespace lumeno::server {
namespace {

std::uint32_t Mix(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

Rgb FromHue(double hue, double saturation, double value) {
    double c = value * saturation;
    double h = std::fmod(hue, 360.0) / 60.0;
    double x = c * (1 - std::fabs(std::fmod(h, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    if (h < 1)
        r = c, g = x;
    else if (h < 2)
        r = x, g = c;
    else if (h < 3)
        g = c, b = x;
    else if (h < 4)
        g = x, b = c;
    else if (h < 5)
        r = x, b = c;
    else
        r = c, b = x;
    double m = value - c;
    auto to8 = [m](double v) { return static_cast<std::uint8_t>(std::lround((v + m) * 255)); };
    return {to8(r), to8(g), to8(b)};
}

Rgb Blend(Rgb a, Rgb b, double t) {
    auto mix = [t](std::uint8_t x, std::uint8_t y) {
        return static_cast<std::uint8_t>(std::lround(x + (y - x) * t));
    };
    return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

}  // namespace

std::string AvatarPng(std::uint32_t seed) {
    std::uint32_t bits = Mix(seed * 2654435761U + 1);
    Rgb color = FromHue(Mix(seed) % 360, 0.55, 0.85);
    Raster r(120, 120, {240, 240, 240});
    const int cell = 20;
    const int margin = 10;
    for (int row = 0; row < 5; ++row) {
        for (int col = 0; col < 3; ++col) {
            if (!((bits >> (row * 3 + col)) & 1)) continue;
            r.FillRect(margin + col * cell, margin + row * cell, margin + (col + 1) * cell,
                       margin + (row + 1) * cell, color);
            int mirror = 4 - col;
            r.FillRect(margin + mirror * cell, margin + row * cell, margin + (mirror + 1) * cell,
                       margin + (row + 1) * cell, color);
        }
    }
    return EncodePng(r);
}

std::string LandscapeJpeg(std::uint32_t seed, int width, int height) {
    double hue = Mix(seed) % 360;
    Rgb sky_top = FromHue(hue + 200, 0.5, 0.75);
    Rgb sky_low = FromHue(hue + 30, 0.35, 0.98);
    Rgb hill_far = FromHue(hue + 120, 0.35, 0.55);
    Rgb hill_near = FromHue(hue + 100, 0.55, 0.40);
    Rgb water = FromHue(hue + 210, 0.45, 0.60);
    Raster r(width, height, sky_top);
    int horizon = height * 2 / 3;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            r.Set(x, y, Blend(sky_top, sky_low, std::min(1.0, static_cast<double>(y) / horizon)));
    r.FillCircle(width * (20 + static_cast<int>(Mix(seed + 7) % 60)) / 100, height / 4,
                 std::max(8, height / 10), {255, 236, 170});
    double phase = (Mix(seed + 3) % 628) / 100.0;
    for (int x = 0; x < width; ++x) {
        double t = static_cast<double>(x) / width;
        int far_top = horizon - static_cast<int>(height * (0.18 + 0.08 * std::sin(t * 7 + phase)));
        int near_top =
            horizon - static_cast<int>(height * (0.08 + 0.06 * std::sin(t * 11 + phase * 2)));
        for (int y = far_top; y < horizon; ++y)
            r.Set(x, y, hill_far);
        for (int y = near_top; y < horizon; ++y)
            r.Set(x, y, hill_near);
        for (int y = horizon; y < height; ++y)
            r.Set(x, y, Blend(water, sky_low, 0.25 * std::sin((y + x / 3.0) * 0.2) + 0.25));
    }
    return EncodeJpeg(r, 85);
}

std::string LogoPng(std::uint32_t seed) {
    Rgb color = FromHue(Mix(seed + 11) % 360, 0.65, 0.75);
    Raster r(96, 96, {255, 255, 255});
    r.FillRect(12, 4, 84, 92, color);
    r.FillRect(4, 12, 92, 84, color);
    r.FillCircle(12, 12, 8, color);
    r.FillCircle(83, 12, 8, color);
    r.FillCircle(12, 83, 8, color);
    r.FillCircle(83, 83, 8, color);
    switch (Mix(seed) % 3) {
        case 0:
            r.FillCircle(48, 48, 22, {255, 255, 255});
            break;
        case 1:
            r.FillRect(28, 28, 68, 68, {255, 255, 255});
            break;
        default:
            for (int i = 0; i < 40; ++i)
                r.FillRect(28 + i, 68 - i, 30 + i, 70 - i, {255, 255, 255});
    }
    return EncodePng(r);
}

}  // namespace lumeno::server
