#include "myimagearray.h"
#include "imagedata/texts.h"
#include "vectorpaths.h"
#include "workerpool.h"

#include "imageerror.h"
#include "messagesink.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#endif

namespace {

const char *const copyFailedText = "Could not load or alter bitmap";

bool &allocationFailureForced()
{
    static bool forced = false;
    return forced;
}

// The plain walk over the pixels of one row, from column `from` to the row's end.
void splitRowPlain(const std::uint8_t *p, int n, int from, int width, std::uint8_t *red,
                   std::uint8_t *green, std::uint8_t *blue)
{
    for (int c = from; c < width; ++c) {
        blue[c] = p[c * n];
        green[c] = p[c * n + 1];
        red[c] = p[c * n + 2];
    }
}

void joinRowPlain(std::uint8_t *p, int n, int from, int width, const std::uint8_t *red,
                  const std::uint8_t *green, const std::uint8_t *blue)
{
    for (int c = from; c < width; ++c) {
        p[c * n] = blue[c];
        p[c * n + 1] = green[c];
        p[c * n + 2] = red[c];
    }
}

// Sixteen 32-bit pixels at a time; returns the number of columns done (a multiple of 16).
// Wins on every 32-bit row of 16 pixels or more; the tail and 24-bit rows take the plain walk.
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("ssse3"))) int splitRowSsse3(const std::uint8_t *p, int width, std::uint8_t *red,
                                                     std::uint8_t *green, std::uint8_t *blue)
{
    // Gathers each pixel group's blue bytes, then green, red and fourth bytes, as four dwords.
    const __m128i order = _mm_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
    int c = 0;
    for (; c + 16 <= width; c += 16) {
        const __m128i *s = reinterpret_cast<const __m128i *>(p + c * 4);
        const __m128i s0 = _mm_shuffle_epi8(_mm_loadu_si128(s), order);
        const __m128i s1 = _mm_shuffle_epi8(_mm_loadu_si128(s + 1), order);
        const __m128i s2 = _mm_shuffle_epi8(_mm_loadu_si128(s + 2), order);
        const __m128i s3 = _mm_shuffle_epi8(_mm_loadu_si128(s + 3), order);
        const __m128i blueGreen01 = _mm_unpacklo_epi32(s0, s1), blueGreen23 = _mm_unpacklo_epi32(s2, s3);
        const __m128i red01 = _mm_unpackhi_epi32(s0, s1), red23 = _mm_unpackhi_epi32(s2, s3);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(blue + c), _mm_unpacklo_epi64(blueGreen01, blueGreen23));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(green + c), _mm_unpackhi_epi64(blueGreen01, blueGreen23));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(red + c), _mm_unpacklo_epi64(red01, red23));
    }
    return c;
}
#endif

int splitRowFast(const std::uint8_t *p, int width, std::uint8_t *red, std::uint8_t *green,
                 std::uint8_t *blue)
{
#if defined(__x86_64__) || defined(__i386__)
    return splitRowSsse3(p, width, red, green, blue);
#endif
    (void)p; (void)width; (void)red; (void)green; (void)blue;
    return 0;
}

int joinRowFast(std::uint8_t *p, int width, const std::uint8_t *red, const std::uint8_t *green,
                const std::uint8_t *blue)
{
#if defined(__SSE2__)
    const __m128i fourth = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i zero = _mm_setzero_si128();
    int c = 0;
    for (; c + 16 <= width; c += 16) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(blue + c));
        const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i *>(green + c));
        const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i *>(red + c));
        const __m128i bgLow = _mm_unpacklo_epi8(b, g), bgHigh = _mm_unpackhi_epi8(b, g);
        const __m128i rLow = _mm_unpacklo_epi8(r, zero), rHigh = _mm_unpackhi_epi8(r, zero);
        __m128i *d = reinterpret_cast<__m128i *>(p + c * 4);
        const __m128i n0 = _mm_unpacklo_epi16(bgLow, rLow), n1 = _mm_unpackhi_epi16(bgLow, rLow);
        const __m128i n2 = _mm_unpacklo_epi16(bgHigh, rHigh), n3 = _mm_unpackhi_epi16(bgHigh, rHigh);
        _mm_storeu_si128(d, _mm_or_si128(n0, _mm_and_si128(_mm_loadu_si128(d), fourth)));
        _mm_storeu_si128(d + 1, _mm_or_si128(n1, _mm_and_si128(_mm_loadu_si128(d + 1), fourth)));
        _mm_storeu_si128(d + 2, _mm_or_si128(n2, _mm_and_si128(_mm_loadu_si128(d + 2), fourth)));
        _mm_storeu_si128(d + 3, _mm_or_si128(n3, _mm_and_si128(_mm_loadu_si128(d + 3), fourth)));
    }
    return c;
#else
    (void)p; (void)width; (void)red; (void)green; (void)blue;
    return 0;
#endif
}

// False for an empty bitmap (nothing to copy); throws for a format or planes that cannot be used.
bool checkCopy(const QImage &bitmap, const void *red, const void *green, const void *blue)
{
    if (bitmap.width() <= 0 || bitmap.height() <= 0)
        return false;
    if (bytesPerPixel(bitmap) == 0)
        throw std::invalid_argument("pixel format");
    if (!red || !green || !blue)
        throw std::invalid_argument("no planes");
    return true;
}

template <bool fast>
void splitAll(const QImage &bitmap, std::uint8_t *red, std::uint8_t *green, std::uint8_t *blue)
{
    try {
        if (!checkCopy(bitmap, red, green, blue))
            return;
        const int n = bytesPerPixel(bitmap);
        const int width = bitmap.width(), height = bitmap.height();
        const uchar *bits = bitmap.constBits();
        const qsizetype stride = bitmap.bytesPerLine();
        const bool vector = fast && n == 4 && vectorUnitsInUse().ssse3;
        forEachBand(height, [&](int first, int end) {
            for (int r = first; r < end; ++r) {
                const std::uint8_t *p = bits + stride * r;
                const std::size_t offset = static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
                const int done = vector ? splitRowFast(p, width, red + offset, green + offset, blue + offset) : 0;
                splitRowPlain(p, n, done, width, red + offset, green + offset, blue + offset);
            }
        });
    } catch (const std::exception &) {
        showMessage(QString::fromUtf8(copyFailedText));
    }
}

template <bool fast>
void joinAll(QImage &bitmap, const std::uint8_t *red, const std::uint8_t *green, const std::uint8_t *blue)
{
    try {
        if (!checkCopy(bitmap, red, green, blue))
            return;
        const int n = bytesPerPixel(bitmap);
        const int width = bitmap.width(), height = bitmap.height();
        // Detach once up front so the per-row access below is plain pointer arithmetic.
        std::uint8_t *bits = bitmap.bits();
        if (!bits)
            throw std::bad_alloc();
        const qsizetype stride = bitmap.bytesPerLine();
        const bool vector = fast && n == 4 && vectorUnitsInUse().ssse3;
        forEachBand(height, [&](int first, int end) {
            for (int r = first; r < end; ++r) {
                std::uint8_t *p = bits + stride * r;
                const std::size_t offset = static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
                const int done = vector ? joinRowFast(p, width, red + offset, green + offset, blue + offset) : 0;
                joinRowPlain(p, n, done, width, red + offset, green + offset, blue + offset);
            }
        });
    } catch (const std::exception &) {
        showMessage(QString::fromUtf8(copyFailedText));
    }
}

} // namespace

myImageArray::myImageArray(QImage &source) : bitmap(&source)
{
    height = source.height();
    width = source.width();
    const long long count = static_cast<long long>(width) * static_cast<long long>(height);
    bool failed = allocationFailureForced() || count > INT_MAX || count < 0;
    if (!failed) {
        pixelCount = static_cast<int>(count);
        // At least one byte each so the planes are never null, even for an empty bitmap.
        const std::size_t size = count > 0 ? static_cast<std::size_t>(count) : 1;
        redPlane = allocatePictureBytes(size);
        greenPlane = allocatePictureBytes(size);
        bluePlane = allocatePictureBytes(size);
        failed = !redPlane || !greenPlane || !bluePlane;
    }
    if (failed) {
        redPlane.reset();
        greenPlane.reset();
        bluePlane.reset();
        pixelCount = 0;
        showMessage(imageTexts::tr("クラスmyImageArray　のコンストラクタがメモリ確保ができなかった"));
        throw operationAbandoned();
    }
    bitmapToPlanes(source, redPlane.get(), greenPlane.get(), bluePlane.get());
}

void myImageArray::storeToBitmap()
{
    // The planes were sized at construction; a bitmap that changed size since would be
    // overrun, so refuse the copy instead.
    if (!bitmap || bitmap->width() != width || bitmap->height() != height) {
        showMessage(QString::fromUtf8(copyFailedText));
        return;
    }
    planesToBitmap(*bitmap, redPlane.get(), greenPlane.get(), bluePlane.get());
}

void myImageArray::loadFromBitmap()
{
    if (!bitmap || bitmap->width() != width || bitmap->height() != height) {
        showMessage(QString::fromUtf8(copyFailedText));
        return;
    }
    bitmapToPlanes(*bitmap, redPlane.get(), greenPlane.get(), bluePlane.get());
}

void forcePlaneAllocationFailure(bool fail)
{
    allocationFailureForced() = fail;
}

int bytesPerPixel(const QImage &bitmap)
{
    switch (bitmap.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return 4; // blue, green, red, fourth byte in memory
    case QImage::Format_BGR888:
        return 3; // blue, green, red
    default:
        return 0;
    }
}

void bitmapToPlanes(const QImage &bitmap, std::uint8_t *redPlane, std::uint8_t *greenPlane, std::uint8_t *bluePlane)
{
    splitAll<true>(bitmap, redPlane, greenPlane, bluePlane);
}

void planesToBitmap(QImage &bitmap, const std::uint8_t *redPlane, const std::uint8_t *greenPlane, const std::uint8_t *bluePlane)
{
    joinAll<true>(bitmap, redPlane, greenPlane, bluePlane);
}

void bitmapToPlanesPlain(const QImage &bitmap, std::uint8_t *redPlane, std::uint8_t *greenPlane, std::uint8_t *bluePlane)
{
    splitAll<false>(bitmap, redPlane, greenPlane, bluePlane);
}

void planesToBitmapPlain(QImage &bitmap, const std::uint8_t *redPlane, const std::uint8_t *greenPlane, const std::uint8_t *bluePlane)
{
    joinAll<false>(bitmap, redPlane, greenPlane, bluePlane);
}

double fitRect(int left, int top, int right, int bottom, rectangle &target)
{
    const double w = static_cast<double>(right) - left + 1;
    const double h = static_cast<double>(bottom) - top + 1;
    const double tw = static_cast<double>(target.right) - target.left + 1;
    const double th = static_cast<double>(target.bottom) - target.top + 1;
    double scale = tw / w;
    if (th / h < scale)
        scale = th / h;
    const double cx = (static_cast<double>(target.left) + target.right) * 0.5;
    const double cy = (static_cast<double>(target.top) + target.bottom) * 0.5;
    target.left = static_cast<int>(cx - w * 0.5 * scale);
    target.right = static_cast<int>(cx + w * 0.5 * scale);
    target.top = static_cast<int>(cy - h * 0.5 * scale);
    target.bottom = static_cast<int>(cy + h * 0.5 * scale);
    return scale;
}

void stretchCopy(const QImage &source, QImage &destination)
{
    stretchCopyArea(source, destination, 0, 0, destination.width() - 1, destination.height() - 1);
}

void stretchCopyArea(const QImage &source, QImage &destination, int left, int top, int right, int bottom)
{
    const int sw = source.width(), sh = source.height();
    const int dw = destination.width(), dh = destination.height();
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0)
        return;
    if (source.depth() != 32 || destination.depth() != 32)
        return; // both are addressed as four bytes per pixel
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, dw - 1);
    bottom = std::min(bottom, dh - 1);
    if (right < left || bottom < top)
        return;
    // The source column of each destination column, or -1 where it falls outside.
    std::vector<int> columns(static_cast<std::size_t>(right - left + 1));
    for (int j = left; j <= right; ++j) {
        const int sc = stretchedIndex(j, sw, dw);
        columns[static_cast<std::size_t>(j - left)] = (sc >= 0 && sc < sw) ? sc : -1;
    }
    std::uint8_t *bits = destination.bits();
    const qsizetype stride = destination.bytesPerLine();
    for (int i = top; i <= bottom; ++i) {
        const int sr = stretchedIndex(i, sh, dh);
        if (sr < 0 || sr >= sh)
            continue;
        const std::uint8_t *s = source.constScanLine(sr);
        std::uint8_t *d = bits + stride * i;
        for (int j = left; j <= right; ++j) {
            const int sc = columns[static_cast<std::size_t>(j - left)];
            if (sc < 0)
                continue;
            d[j * 4] = s[sc * 4];
            d[j * 4 + 1] = s[sc * 4 + 1];
            d[j * 4 + 2] = s[sc * 4 + 2];
        }
    }
}

void copyPixelBlock(const QImage &source, int sx, int sy, QImage &destination, int dx, int dy, int w, int h)
{
    if (source.depth() != 32 || destination.depth() != 32) return;
    // Limit the block to the rows and columns inside both bitmaps.
    const int c0 = std::max({0, -sx, -dx});
    const int c1 = std::min({w, source.width() - sx, destination.width() - dx});
    const int r0 = std::max({0, -sy, -dy});
    const int r1 = std::min({h, source.height() - sy, destination.height() - dy});
    if (c1 <= c0) return;
    for (int r = r0; r < r1; ++r) {
        const auto *from = reinterpret_cast<const QRgb *>(source.constScanLine(sy + r));
        auto *to = reinterpret_cast<QRgb *>(destination.scanLine(dy + r));
        for (int c = c0; c < c1; ++c)
            to[dx + c] = (to[dx + c] & 0xFF000000u) | (from[sx + c] & 0x00FFFFFFu);
    }
}
