#pragma once
// Picture files: their size, and a smaller copy for upload.

#include <optional>
#include <string>

namespace platform {

struct PictureSize {
    int width = 0;
    int height = 0;
};

// The size of the picture in the file, read from its header; nothing when it is not a picture.
std::optional<PictureSize> ReadPictureSize(const std::string& path);

// Writes the picture at `source` scaled to `width` x `height` (smooth, high quality) as a JPEG
// file at `target`. False when anything fails; no partial file is left.
bool WriteScaledJpeg(const std::string& source, const std::string& target, int width, int height);

}  // namespace platform
