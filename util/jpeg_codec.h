#pragma once
// JPEG decoding into 24-bit bitmaps, over libjpeg.

#include <cstddef>
#include <cstdint>

#include "platform/dib_bitmap.h"
#include "util/component_registry.h"

class CJpeg : public CKesPluginBase<CJpeg, 27> {
  public:
    // A 24-bit bitmap, or null when the data is not a JPEG that decodes to three colour
    // components (colour and grey pictures do; CMYK pictures are refused).
    virtual DibBitmapPtr DecodeJpeg(const std::uint8_t* bytes, std::size_t length);
};
