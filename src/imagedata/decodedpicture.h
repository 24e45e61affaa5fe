// What the readers of PNG, TIFF, WebP, HEIF and camera RAW files share: what a file's headers say
// (read without decoding the pixels), the new picture checked against the pixel limit and the
// reading's budget before any memory is taken, 16-bit samples brought to 8 bits, and transparent
// pixels laid over white (a picture here has no transparency of its own).
#pragma once
#include "picturelimits.h"
#include "picturememory.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>

// What a file's headers say about its picture: the size as stored and the EXIF orientation still
// to apply to it (1 where the reader turns the picture itself).
struct pictureHeader {
    long long width = 0, height = 0;
    int orientation = 1;
};

// Throws imageError naming the file when width x height is not positive or above the pixel limit
// (the product checked, whatever the sides).
void checkPictureSize(long long width, long long height, const QString &what);

// The bytes of a 32-bit bitmap of width x height (checked by checkPictureSize).
inline unsigned long long bitmapBytes(long long width, long long height)
{
    return 4ULL * static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height);
}

// A Format_RGB32 picture of width x height for a reader of `what`, its bytes taken from budget.
// Throws imageError naming the file when the size is not positive, above the pixel limit, beyond
// the budget or when memory runs out.
QImage newDecodedPicture(long long width, long long height, const QString &what, readingBudget &budget);

// "<what> を <format> 画像として読み込めません: the picture data is too short for w x h pixels"
QString tooShortText(const QString &what, const char *format, long long width, long long height);

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
    // Mapped instead of read where the system can (only the pages read are fetched: the headers
    // of a large file cost no more than those of a small one), for readers of the headers alone.
    // A file cut short by another program while it is mapped can end the process (SIGBUS).
    enum mapping { mapped };
    pictureFile(const QString &name, mapping);
    pictureFile(const pictureFile &) = delete;
    pictureFile &operator=(const pictureFile &) = delete;
    ~pictureFile();
    pictureBytes memory;
    QByteArray bytes;

private:
    pictureFile(const QString &name, bool mapIt);
    void *map = nullptr;
    std::size_t mapSize = 0;
};
