#include "server/media/image_probe.h"

#include <cstdint>
#include <cstdlib>

namespace lumeno::server {
namespace {

std::uint32_t Byte(std::string_view d, size_t i) {
    return static_cast<unsigned char>(d[i]);
}

std::uint32_t Big16(std::string_view d, size_t i) {
    return Byte(d, i) << 8 | Byte(d, i + 1);
}
std::uint32_t Big32(std::string_view d, size_t i) {
    return Big16(d, i) << 16 | Big16(d, i + 2);
}
std::uint32_t Little16(std::string_view d, size_t i) {
    return Byte(d, i + 1) << 8 | Byte(d, i);
}
std::int32_t Little32(std::string_view d, size_t i) {
    return static_cast<std::int32_t>(Little16(d, i + 2) << 16 | Little16(d, i));
}

int Clamp(std::int64_t v) {
    return v < 0 || v > 1000000 ? 0 : static_cast<int>(v);
}

void JpegSize(std::string_view d, ImageInfo& info) {
    size_t i = 2;
    while (i + 9 < d.size()) {
        if (Byte(d, i) != 0xFF) return;
        std::uint32_t marker = Byte(d, i + 1);
        if (marker == 0xFF) {
            ++i;
            continue;
        }
        std::uint32_t length = Big16(d, i + 2);
        bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            info.height = Clamp(Big16(d, i + 5));
            info.width = Clamp(Big16(d, i + 7));
            return;
        }
        if (length < 2) return;
        i += 2 + length;
    }
}

}  // namespace

std::optional<ImageInfo> ProbeImage(std::string_view d) {
    ImageInfo info;
    if (d.size() >= 8 && d.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8)) {
        info = {"image/png", ".png", 0, 0};
        if (d.size() >= 24) {
            info.width = Clamp(Big32(d, 16));
            info.height = Clamp(Big32(d, 20));
        }
        return info;
    }
    if (d.size() >= 3 && Byte(d, 0) == 0xFF && Byte(d, 1) == 0xD8 && Byte(d, 2) == 0xFF) {
        info = {"image/jpeg", ".jpg", 0, 0};
        JpegSize(d, info);
        return info;
    }
    if (d.size() >= 6 && (d.substr(0, 6) == "GIF87a" || d.substr(0, 6) == "GIF89a")) {
        info = {"image/gif", ".gif", 0, 0};
        if (d.size() >= 10) {
            info.width = Clamp(Little16(d, 6));
            info.height = Clamp(Little16(d, 8));
        }
        return info;
    }
    if (d.size() >= 2 && d[0] == 'B' && d[1] == 'M') {
        info = {"image/bmp", ".bmp", 0, 0};
        if (d.size() >= 26) {
            info.width = Clamp(Little32(d, 18));
            info.height = Clamp(std::llabs(static_cast<long long>(Little32(d, 22))));
        }
        return info;
    }
    return std::nullopt;
}

}  // namespace lumeno::server
