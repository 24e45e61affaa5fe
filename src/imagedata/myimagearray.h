// Colour planes: a 32-bit bitmap's pixels copied out into three separate 8-bit planes (red,
// green, blue; row-major, index row·width + column, row 0 the top row) and written back.
// Also the display helpers every view uses: fitRect, stretchCopy and copyPixelBlock.
#pragma once
#include "picturememory.h"
#include "rectangle.h"

#include <QImage>
#include <cstdint>
#include <memory>

class myImageArray {
public:
    // Takes the planes from bitmap (Format_RGB32). If the planes cannot be allocated, shows
    // "クラスmyImageArray　のコンストラクタがメモリ確保ができなかった" and throws operationAbandoned.
    explicit myImageArray(QImage &bitmap);

    pictureBytes redPlane;
    pictureBytes greenPlane;
    pictureBytes bluePlane;
    int pixelCount = 0;
    int height = 0;
    int width = 0;
    QImage *bitmap = nullptr; // not owned; must keep its size while this object lives

    void storeToBitmap();   // planes → bitmap
    void loadFromBitmap();  // bitmap → planes
};

// 3 for a 24-bit bitmap, 4 for a 32-bit one, 0 for any other format.
int bytesPerPixel(const QImage &bitmap);

// Fill / write back three caller-supplied planes of width × height bytes (sizes from the bitmap).
// The fourth byte of each 32-bit pixel is never touched.
void bitmapToPlanes(const QImage &bitmap, std::uint8_t *redPlane, std::uint8_t *greenPlane, std::uint8_t *bluePlane);
void planesToBitmap(QImage &bitmap, const std::uint8_t *redPlane, const std::uint8_t *greenPlane, const std::uint8_t *bluePlane);

// Fits the picture rectangle (left, top, right, bottom; inclusive) into target, centred and keeping
// the aspect ratio; rewrites target and returns the scale.
double fitRect(int left, int top, int right, int bottom, rectangle &target);

// Nearest-neighbour scaled copy between two 32-bit bitmaps of any sizes (fourth byte untouched).
void stretchCopy(const QImage &source, QImage &destination);
// The same copy for the destination pixels of the area (left, top)–(right, bottom) only (inclusive,
// limited to the destination); each gets the bytes stretchCopy gives it.
void stretchCopyArea(const QImage &source, QImage &destination, int left, int top, int right, int bottom);
// Copies the w × h block of source at (sx, sy) to (dx, dy) of destination (both 32-bit), the
// destination's fourth byte kept; pixels outside either bitmap are left alone.
void copyPixelBlock(const QImage &source, int sx, int sy, QImage &destination, int dx, int dy, int w, int h);

// The source column (or row) stretchCopy shows at destination column (or row) index when
// sourceLength pixels are stretched onto destinationLength (> 0).
inline int stretchedIndex(int index, int sourceLength, int destinationLength)
{
    return static_cast<int>(index * (static_cast<double>(sourceLength) / destinationLength));
}

// The same copies without the vector fast path (one pixel at a time); kept so the two can be
// compared and for platforms without SSE2.
void bitmapToPlanesPlain(const QImage &bitmap, std::uint8_t *redPlane, std::uint8_t *greenPlane, std::uint8_t *bluePlane);
void planesToBitmapPlain(QImage &bitmap, const std::uint8_t *redPlane, const std::uint8_t *greenPlane, const std::uint8_t *bluePlane);

// Test hook: while set, every myImageArray construction fails as an exhausted memory would.
void forcePlaneAllocationFailure(bool fail);
