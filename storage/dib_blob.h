#pragma once
// The value format of the image cache: a 40-byte BITMAPINFOHEADER followed by the pixel rows,
// top row first, as the cache has always stored them.

#include <string>
#include <string_view>

#include "platform/dib_bitmap.h"

std::string SerializeDib(const DibBitmap& bitmap);
// Null for a value shorter than its header claims, or of a kind the cache never stores.
DibBitmapPtr DeserializeDib(std::string_view value);
