// The limits every picture reader (and every operation making a new picture) keeps before it
// takes memory for a picture.
#pragma once
#include <algorithm>

// Pictures above this many pixels are refused before any memory is taken for them: the planes
// and the undo snapshots of the rest of the program count pixels in 32-bit integers.
constexpr long long maxPicturePixels = 400LL * 1000 * 1000;

// The memory reading a file may take for its picture (the 32-bit bitmap, and a JPEG decoder's
// coefficients), from the file's size. Real photos are described by far more than one byte per
// 500 pixels; the floor lets any file, however well it compresses (one plain colour, arithmetic
// coding, run-length skips), open a picture of some 50 megapixels. So no small file costs much.
constexpr unsigned long long pictureMemoryFloor = 192ULL << 20;
constexpr unsigned long long pictureMemoryPerFileByte = 2048;

constexpr unsigned long long pictureMemoryFor(unsigned long long fileSize)
{
    constexpr unsigned long long sizeCap = (1ULL << 62) / pictureMemoryPerFileByte;
    return std::max(pictureMemoryFloor, pictureMemoryPerFileByte * std::min(fileSize, sizeCap));
}

// Whether the bitmap of a picture of this many pixels (4 bytes each; at most maxPicturePixels)
// is within what a file of fileSize bytes may cost.
constexpr bool bitmapFitsFile(long long pixels, unsigned long long fileSize)
{
    return pixels >= 0 && 4ULL * static_cast<unsigned long long>(pixels) <= pictureMemoryFor(fileSize);
}
