// What the readers of PNG, TIFF, WebP, HEIF and camera RAW files share: the new picture checked
// against the pixel limit before any memory is taken, 16-bit samples brought to 8 bits, and
// transparent pixels laid over white (a picture here has no transparency of its own).
#pragma once
#include "picturememory.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>

// A Format_RGB32 picture of width x height for a reader of `what`. Throws imageError naming the
// file when the size is not positive, above the pixel limit or when memory runs out.
QImage newDecodedPicture(long long width, long long height, const QString &what);

// A 16-bit sample rounded to 8 bits: v * 255 / 65535 to the nearest whole number.
inline std::uint8_t eightBits(std::uint32_t v)
{
    return static_cast<std::uint8_t>((v + 128) / 257);
}

// A colour c (0..255) with opacity a (0..255) laid over white, rounded to the nearest level.
inline std::uint8_t overWhite(std::uint32_t c, std::uint32_t a)
{
    return static_cast<std::uint8_t>((c * a + 255 * (255 - a) + 127) / 255);
}

// Lays a row of blue, green, red, alpha pixels (not premultiplied) over white in place; the
// fourth bytes become 0xFF.
void bgraRowOverWhite(std::uint8_t *row, int width);

// "<what> を <format> 画像として読み込めません: <detail>"
QString unreadableText(const QString &what, const char *format, const QString &detail);

// A whole file read into picture memory (2 MB pages where there are: a large photo file is read
// without tens of thousands of page faults). bytes views it while the object lives. Throws
// imageError naming the file ("を開けません" / "を読み込めません").
struct pictureFile {
    explicit pictureFile(const QString &name);
    pictureFile(const pictureFile &) = delete;
    pictureFile &operator=(const pictureFile &) = delete;
    pictureBytes memory;
    QByteArray bytes;
};
