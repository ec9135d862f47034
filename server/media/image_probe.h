#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumeno::server {

struct ImageInfo {
    std::string mime;
    std::string extension;
    int width = 0;
    int height = 0;
};

// Recognises PNG, JPEG, GIF and BMP data by their first bytes and reads the picture size from
// their headers (0 × 0 when the header is cut short). Anything else gives nothing.
std::optional<ImageInfo> ProbeImage(std::string_view data);

}  // namespace lumeno::server
