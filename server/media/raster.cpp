#include "server/media/raster.h"

#include <jpeglib.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace lumeno::server {

Raster::Raster(int width, int height, Rgb fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width * height) * 3) {
    for (size_t i = 0; i < pixels_.size(); i += 3) {
        pixels_[i] = fill.r;
        pixels_[i + 1] = fill.g;
        pixels_[i + 2] = fill.b;
    }
}

void Raster::Set(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 3;
    pixels_[i] = c.r;
    pixels_[i + 1] = c.g;
    pixels_[i + 2] = c.b;
}

Rgb Raster::Get(int x, int y) const {
    size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)) * 3;
    return {pixels_[i], pixels_[i + 1], pixels_[i + 2]};
}

void Raster::FillRect(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = std::max(0, y0); y < std::min(height_, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(width_, x1); ++x)
            Set(x, y, c);
}

void Raster::FillCircle(int cx, int cy, int radius, Rgb c) {
    for (int y = cy - radius; y <= cy + radius; ++y)
        for (int x = cx - radius; x <= cx + radius; ++x)
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius) Set(x, y, c);
}

namespace {

void PutBig32(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v >> 24);
    out += static_cast<char>(v >> 16);
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
}

void Chunk(std::string& out, const char* type, const std::string& data) {
    PutBig32(out, static_cast<std::uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    PutBig32(out, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                   static_cast<uInt>(body.size()))));
}

}  // namespace

std::string EncodePng(const Raster& raster) {
    const int w = raster.width();
    const int h = raster.height();
    std::string rows;
    rows.reserve(static_cast<size_t>(h) * (static_cast<size_t>(w) * 3 + 1));
    const auto& px = raster.pixels();
    for (int y = 0; y < h; ++y) {
        rows += '\0';  // no filter
        rows.append(reinterpret_cast<const char*>(px.data()) +
                        static_cast<size_t>(y) * static_cast<size_t>(w) * 3,
                    static_cast<size_t>(w) * 3);
    }
    uLongf packed_size = compressBound(static_cast<uLong>(rows.size()));
    std::string packed(packed_size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packed_size,
                  reinterpret_cast<const Bytef*>(rows.data()), static_cast<uLong>(rows.size()),
                  6) != Z_OK)
        throw std::runtime_error("png compression failed");
    packed.resize(packed_size);

    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    PutBig32(header, static_cast<std::uint32_t>(w));
    PutBig32(header, static_cast<std::uint32_t>(h));
    header += static_cast<char>(8);  // bits per sample
    header += static_cast<char>(2);  // RGB
    header.append(3, '\0');          // deflate, adaptive filtering, no interlace
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", packed);
    Chunk(png, "IEND", "");
    return png;
}

std::string EncodeJpeg(const Raster& raster, int quality) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(raster.width());
    cinfo.image_height = static_cast<JDIMENSION>(raster.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const auto& px = raster.pixels();
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(px.data() + static_cast<size_t>(cinfo.next_scanline) *
                                                 static_cast<size_t>(raster.width()) * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

}  // namespace lumeno::server
