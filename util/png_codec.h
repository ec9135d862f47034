#pragma once
// PNG decoding into bitmaps (and encoding back), over libpng.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/dib_bitmap.h"
#include "util/component_registry.h"

class CLibPng : public CKesPluginBase<CLibPng, 26> {
  public:
    // A 24-bit or 32-bit bitmap (premultiplied alpha), or null when the data is not a complete,
    // valid PNG. Palettes, grey levels and transparency chunks are expanded; 16-bit channels are
    // stripped to 8 bits; a file gamma is corrected to a screen gamma of 2.2.
    virtual DibBitmapPtr DecodePng(const std::uint8_t* bytes, std::size_t length);
    // Writes a 32-bit bitmap as an RGBA PNG. 1 on success, 0 otherwise.
    virtual int SavePng(const DibBitmap& bitmap, const std::string& path);
};
