#pragma once
// Turning the bytes of a skin picture into an image: PNG and JPEG through the program's own
// decoder components, everything else through Qt's readers.

#include <QByteArray>
#include <QImage>
#include <cstdint>

enum class PictureFormat : std::uint8_t { Unknown = 0, Icon = 1, Bmp = 2, Jpeg = 3, Png = 4 };

// The format told by the first bytes: 0x89 'P' is PNG, 0xFF 0xD8 JPEG, "BM" BMP.
PictureFormat SniffPictureFormat(const QByteArray& bytes);

// A decoded picture: Format_ARGB32_Premultiplied when it carries alpha (32 bits per pixel),
// Format_RGB32 otherwise; null when the bytes do not decode.
QImage DecodePicture(const QByteArray& bytes, PictureFormat format);
