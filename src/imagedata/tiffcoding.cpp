#include "tiffcoding.h"
#include "imagedata/texts.h"

#include "decodedpicture.h"
#include "exivrecord.h"
#include "imageerror.h"
#include "jpegcoding.h"
#include "progress.h"
#include "workerpool.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The file in memory as libtiff's client I/O: read from `input`, or written into `output`.
struct tiffMemory {
    const QByteArray *input = nullptr;
    QByteArray *output = nullptr;
    toff_t at = 0;
    char message[300] = {};
};

tmsize_t readProc(thandle_t handle, void *into, tmsize_t size)
{
    auto *m = static_cast<tiffMemory *>(handle);
    const QByteArray &b = m->input ? *m->input : *m->output;
    if (size < 0 || m->at >= toff_t(b.size()))
        return 0;
    const tmsize_t count = std::min<tmsize_t>(size, tmsize_t(toff_t(b.size()) - m->at));
    std::memcpy(into, b.constData() + m->at, std::size_t(count));
    m->at += toff_t(count);
    return count;
}

tmsize_t writeProc(thandle_t handle, void *from, tmsize_t size)
{
    auto *m = static_cast<tiffMemory *>(handle);
    if (!m->output || size < 0)
        return 0;
    const toff_t end = m->at + toff_t(size);
    if (end > toff_t(m->output->size()))
        m->output->resize(qsizetype(end));
    std::memcpy(m->output->data() + m->at, from, std::size_t(size));
    m->at = end;
    return size;
}

toff_t sizeProc(thandle_t handle)
{
    auto *m = static_cast<tiffMemory *>(handle);
    return toff_t(m->input ? m->input->size() : m->output->size());
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence)
{
    auto *m = static_cast<tiffMemory *>(handle);
    toff_t base = 0;
    if (whence == SEEK_CUR)
        base = m->at;
    else if (whence == SEEK_END)
        base = sizeProc(handle);
    m->at = base + offset;
    return m->at;
}

int closeProc(thandle_t) { return 0; }

int mapProc(thandle_t handle, void **base, toff_t *size)
{
    auto *m = static_cast<tiffMemory *>(handle);
    if (!m->input)
        return 0;
    *base = const_cast<char *>(m->input->constData());
    *size = toff_t(m->input->size());
    return 1;
}

void unmapProc(thandle_t, void *, toff_t) {}

int errorHandler(TIFF *, void *user, const char *module, const char *format, va_list ap)
{
    auto *m = static_cast<tiffMemory *>(user);
    if (m->message[0] == '\0') { // the first error is the cause, later ones its consequences
        const int n = std::snprintf(m->message, sizeof m->message, "%s: ", module ? module : "libtiff");
        if (n > 0 && std::size_t(n) < sizeof m->message)
            std::vsnprintf(m->message + n, sizeof m->message - std::size_t(n), format, ap);
    }
    return 1;
}

int warningHandler(TIFF *, void *, const char *, const char *, va_list) { return 1; }

struct tiffClose {
    void operator()(TIFF *tif) const { TIFFClose(tif); }
};
using tiffHandle = std::unique_ptr<TIFF, tiffClose>;

tiffHandle openTiff(tiffMemory &memory, const char *mode, unsigned long long largestBlock = 1ULL << 30)
{
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(std::min<unsigned long long>(largestBlock, 1ULL << 62)));
    TIFFOpenOptionsSetErrorHandlerExtR(options, errorHandler, &memory);
    TIFFOpenOptionsSetWarningHandlerExtR(options, warningHandler, nullptr);
    TIFF *tif = TIFFClientOpenExt("memory", mode, &memory, readProc, writeProc, seekProc, closeProc, sizeProc,
                                  mapProc, unmapProc, options);
    TIFFOpenOptionsFree(options);
    return tiffHandle(tif);
}

// How the samples of one pixel of a strip or tile lie.
struct sampleLayout {
    int samples = 1;      // per pixel
    int bytes = 1;        // per sample: 1 or 2
    int colours = 1;      // 1 grey, 3 RGB, 4 CMYK
    int alpha = -1;       // the alpha sample's index, or -1
    bool associated = false; // colours already multiplied by alpha
    bool minIsWhite = false;
};

inline std::uint32_t sampleAt(const std::uint8_t *p, int index, int bytes)
{
    if (bytes == 1)
        return p[index];
    std::uint16_t v;
    std::memcpy(&v, p + 2 * index, 2);
    return eightBits(v);
}

// One row of stored samples into blue, green, red and 0xFF.
void convertRow(const std::uint8_t *from, std::uint8_t *to, int count, const sampleLayout &l)
{
    const int step = l.samples * l.bytes;
    if (l.bytes == 1 && l.colours == 3 && l.samples == 3) {
        for (int x = 0; x < count; ++x, from += 3, to += 4) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            to[3] = 0xFF;
        }
        return;
    }
    for (int x = 0; x < count; ++x, from += step, to += 4) {
        std::uint32_t r, g, b;
        if (l.colours == 1) {
            r = g = b = l.minIsWhite ? 255 - sampleAt(from, 0, l.bytes) : sampleAt(from, 0, l.bytes);
        } else if (l.colours == 3) {
            r = sampleAt(from, 0, l.bytes);
            g = sampleAt(from, 1, l.bytes);
            b = sampleAt(from, 2, l.bytes);
        } else { // ink amounts, 255 = full ink
            const std::uint32_t k = 255 - sampleAt(from, 3, l.bytes);
            r = (255 - sampleAt(from, 0, l.bytes)) * k / 255;
            g = (255 - sampleAt(from, 1, l.bytes)) * k / 255;
            b = (255 - sampleAt(from, 2, l.bytes)) * k / 255;
        }
        if (l.alpha >= 0) {
            const std::uint32_t a = sampleAt(from, l.alpha, l.bytes);
            if (l.associated) {
                r = std::min<std::uint32_t>(255, r + 255 - a);
                g = std::min<std::uint32_t>(255, g + 255 - a);
                b = std::min<std::uint32_t>(255, b + 255 - a);
            } else {
                r = overWhite(r, a);
                g = overWhite(g, a);
                b = overWhite(b, a);
            }
        }
        to[0] = std::uint8_t(b);
        to[1] = std::uint8_t(g);
        to[2] = std::uint8_t(r);
        to[3] = 0xFF;
    }
}

// The layout of the strips for the direct path, or false where libtiff's RGBA reader must do.
bool directLayout(TIFF *tif, sampleLayout &l)
{
    uint16_t bits = 1, samples = 1, photometric = 0, planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT,
             compression = COMPRESSION_NONE, inks = INKSET_CMYK;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inks);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
        return false;
    if ((bits != 8 && bits != 16) || planar != PLANARCONFIG_CONTIG || format != SAMPLEFORMAT_UINT)
        return false;
    if (photometric == PHOTOMETRIC_YCBCR && compression == COMPRESSION_JPEG && bits == 8) {
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB); // the codec hands out RGB
        photometric = PHOTOMETRIC_RGB;
    }
    switch (photometric) {
    case PHOTOMETRIC_MINISBLACK: l.colours = 1; break;
    case PHOTOMETRIC_MINISWHITE: l.colours = 1; l.minIsWhite = true; break;
    case PHOTOMETRIC_RGB: l.colours = 3; break;
    case PHOTOMETRIC_SEPARATED:
        if (inks != INKSET_CMYK)
            return false;
        l.colours = 4;
        break;
    default: return false;
    }
    if (samples < l.colours)
        return false;
    l.samples = samples;
    l.bytes = bits / 8;
    uint16_t extraCount = 0;
    uint16_t *extraTypes = nullptr;
    if (samples > l.colours && TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) && extraCount > 0
        && (extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || extraTypes[0] == EXTRASAMPLE_UNASSALPHA)) {
        l.alpha = l.colours;
        l.associated = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    return true;
}

// Reads every strip or tile through the layout; false on a libtiff error.
bool readDirect(TIFF *tif, QImage &picture, const sampleLayout &l)
{
    const int width = picture.width(), height = picture.height();
    const tmsize_t pixelBytes = tmsize_t(l.samples) * l.bytes;
    if (TIFFIsTiled(tif)) {
        uint32_t tileWidth = 0, tileHeight = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileHeight);
        const tmsize_t tileSize = TIFFTileSize(tif);
        if (tileWidth == 0 || tileHeight == 0 || tileSize < tmsize_t(tileWidth) * tileHeight * pixelBytes)
            return false;
        std::vector<std::uint8_t> tile(static_cast<std::size_t>(tileSize));
        for (uint32_t y = 0; y < uint32_t(height); y += tileHeight)
            for (uint32_t x = 0; x < uint32_t(width); x += tileWidth) {
                if (cancelRequestedHere()) throw operationCancelled{}; // an open the user stopped
                if (TIFFReadEncodedTile(tif, TIFFComputeTile(tif, x, y, 0, 0), tile.data(), tileSize) < 0)
                    return false;
                const int columns = int(std::min<uint32_t>(tileWidth, uint32_t(width) - x));
                const int rows = int(std::min<uint32_t>(tileHeight, uint32_t(height) - y));
                for (int r = 0; r < rows; ++r)
                    convertRow(tile.data() + tmsize_t(r) * tileWidth * pixelBytes,
                               picture.scanLine(int(y) + r) + 4 * x, columns, l);
            }
        return true;
    }
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, uint32_t(height));
    const tmsize_t rowBytes = TIFFScanlineSize(tif);
    if (rowBytes < width * pixelBytes)
        return false;
    std::vector<std::uint8_t> strip(std::size_t(rowBytes) * rowsPerStrip);
    for (uint32_t y = 0, s = 0; y < uint32_t(height); y += rowsPerStrip, ++s) {
        const uint32_t rows = std::min(rowsPerStrip, uint32_t(height) - y);
        const tmsize_t want = rowBytes * tmsize_t(rows);
        if (cancelRequestedHere()) throw operationCancelled{}; // an open the user stopped
        if (TIFFReadEncodedStrip(tif, s, strip.data(), want) < want)
            return false;
        for (uint32_t r = 0; r < rows; ++r)
            convertRow(strip.data() + tmsize_t(r) * rowBytes, picture.scanLine(int(y + r)), width, l);
    }
    return true;
}

// libtiff's own reader for the rest (palettes, 1 to 4 bits, separate planes, old JPEG ...), in
// stored row order. Its pixels are red, green, blue, alpha with alpha already multiplied in.
bool readRgba(TIFF *tif, QImage &picture, char *message)
{
    TIFFRGBAImage image;
    // Stopping at the first damaged strip or tile: a picture cut short is refused, not filled up.
    if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&image, tif, 1, message))
        return false;
    image.req_orientation = image.orientation;
    const bool read = TIFFRGBAImageGet(&image, reinterpret_cast<uint32_t *>(picture.bits()), uint32_t(picture.width()),
                                       uint32_t(picture.height()));
    TIFFRGBAImageEnd(&image);
    if (!read)
        return false;
    for (int y = 0; y < picture.height(); ++y) {
        std::uint8_t *p = picture.scanLine(y);
        for (int x = 0; x < picture.width(); ++x, p += 4) {
            const std::uint32_t white = 255 - p[3];
            const std::uint8_t r = std::uint8_t(std::min<std::uint32_t>(255, p[0] + white));
            p[0] = std::uint8_t(std::min<std::uint32_t>(255, p[2] + white));
            p[1] = std::uint8_t(std::min<std::uint32_t>(255, p[1] + white));
            p[2] = r;
            p[3] = 0xFF;
        }
    }
    return true;
}

QByteArray tagBytes(TIFF *tif, uint32_t tag)
{
    uint32_t count = 0;
    void *data = nullptr;
    if (TIFFGetField(tif, tag, &count, &data) && data && count > 0)
        return QByteArray(static_cast<const char *>(data), qsizetype(count));
    return QByteArray();
}

// The most bytes of samples one byte of coded data can give: deflate's 1032, PackBits' 128 from
// two bytes; LZW and the rest are held to 4096. Fax codes spend as little as one bit on a row of
// any width: held only by the budget. 0: no bound.
unsigned long long samplesPerCodedByte(uint16_t compression, uint16_t photometric)
{
    switch (compression) {
    case COMPRESSION_NONE: return photometric == PHOTOMETRIC_YCBCR ? 4 : 1; // chroma may be subsampled
    case COMPRESSION_PACKBITS: return 64;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return 1032;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4: return 0;
    default: return 4096;
    }
}

// The first directory read and every check of its declared size: the pixel limit (every product
// checked), each strip or tile inside the file, the samples within what the coded bytes can hold,
// and the picture with the reader's largest buffer within the budget. buffer receives the bytes
// of that buffer (a strip or tile, a plane of each for separate planes).
pictureHeader checkedHeader(TIFF *tif, const QByteArray &bytes, const QString &what, const readingBudget &budget,
                            unsigned long long &buffer)
{
    uint32_t width = 0, height = 0;
    uint16_t samples = 1, bits = 1, compression = COMPRESSION_NONE, turn = ORIENTATION_TOPLEFT, photometric = 0,
             planar = PLANARCONFIG_CONTIG;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &turn);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    checkPictureSize(width, height, what);
    const auto cutShort = [&](const char *why) {
        return imageError(unreadableText(what, "TIFF", QString::fromLatin1(why)));
    };
    // Every strip or tile must lie inside the file: a file cut short is refused before its pixels.
    const unsigned long long fileSize = std::size_t(bytes.size());
    unsigned long long coded = 0;
    const uint32_t pieces = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    for (uint32_t k = 0; k < pieces; ++k) {
        const uint64_t at = TIFFGetStrileOffset(tif, k), count = TIFFGetStrileByteCount(tif, k);
        if (count > 0 && (at > fileSize || count > fileSize - at))
            throw cutShort(TIFFIsTiled(tif) ? "a tile's data ends beyond the end of the file"
                                            : "a strip's data ends beyond the end of the file");
        coded += count;
    }
    unsigned long long samplesBits = 0;
    const unsigned long long pixels = static_cast<unsigned long long>(width) * height; // checked above
    if (!multiplied(pixels, static_cast<unsigned long long>(samples) * bits, samplesBits))
        throw imageError(tooLargeText(what, width, height));
    const unsigned long long ratio = samplesPerCodedByte(compression, photometric);
    if (ratio && (samplesBits / 8) / ratio > coded)
        throw imageError(tooShortText(what, "TIFF", width, height));
    const tmsize_t piece = TIFFIsTiled(tif) ? TIFFTileSize(tif) : TIFFStripSize(tif);
    if (piece <= 0 || !multiplied(static_cast<unsigned long long>(piece), planar == PLANARCONFIG_SEPARATE ? samples : 1, buffer))
        throw imageError(tooLargeText(what, width, height));
    budget.require(bitmapBytes(width, height) + buffer, width, height);
    pictureHeader header;
    header.width = width;
    header.height = height;
    header.orientation = turn >= 1 && turn <= 8 ? turn : 1;
    return header;
}

void takeMetadata(TIFF *tif, const QByteArray &bytes, pictureMetadata *metadata)
{
    // The camera record lives in the file's own directories: worth Exiv2's walk only when the
    // file names a camera or has an EXIF directory.
    char *text = nullptr;
    toff_t exifDirectory = 0;
    if (TIFFGetField(tif, TIFFTAG_EXIFIFD, &exifDirectory) || TIFFGetField(tif, TIFFTAG_MAKE, &text)
        || TIFFGetField(tif, TIFFTAG_MODEL, &text))
        metadata->addExifPayload(cameraRecordOf(bytes));
    metadata->addXmpPacket(tagBytes(tif, TIFFTAG_XMLPACKET));
    metadata->addIccProfile(tagBytes(tif, TIFFTAG_ICCPROFILE));
}

} // namespace

// libtiff refuses a directory whose sizes overflow its own arithmetic as damaged: the sides the
// first directory of a classic TIFF declares tell a picture too large to open from it.
void refuseTooLarge(const QByteArray &bytes, const QString &what)
{
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.constData());
    const std::size_t size = std::size_t(bytes.size());
    if (size < 8 || !((b[0] == 'I' && b[1] == 'I' && b[2] == 42) || (b[0] == 'M' && b[1] == 'M' && b[3] == 42)))
        return;
    const bool little = b[0] == 'I';
    const auto get = [&](std::size_t at, int count) {
        quint32 v = 0;
        for (int i = 0; i < count; ++i)
            v |= quint32(b[at + std::size_t(i)]) << (8 * (little ? i : count - 1 - i));
        return v;
    };
    const std::size_t ifd = get(4, 4);
    if (ifd > size - 2)
        return;
    long long sides[2] = {0, 0};
    const std::size_t entries = get(ifd, 2);
    for (std::size_t k = 0; k < entries && ifd + 2 + 12 * (k + 1) <= size; ++k) {
        const std::size_t at = ifd + 2 + 12 * k;
        const quint32 tag = get(at, 2), type = get(at + 2, 2);
        if ((tag == TIFFTAG_IMAGEWIDTH || tag == TIFFTAG_IMAGELENGTH) && (type == TIFF_SHORT || type == TIFF_LONG))
            sides[tag - TIFFTAG_IMAGEWIDTH] = type == TIFF_SHORT ? get(at + 8, 2) : get(at + 8, 4);
    }
    if (sides[0] > 0 && sides[1] > 0)
        checkPictureSize(sides[0], sides[1], what);
}

// The file opened by libtiff (its allocations within the budget), or its refusal.
tiffHandle openChecked(tiffMemory &memory, const QByteArray &bytes, const QString &what, const readingBudget &budget)
{
    tiffHandle tif = openTiff(memory, "r", budget.total());
    if (!tif) {
        refuseTooLarge(bytes, what);
        throw imageError(unreadableText(what, "TIFF", QString::fromLocal8Bit(memory.message)));
    }
    return tif;
}

pictureHeader readTiffHeader(const QByteArray &bytes, const QString &what, pictureMetadata *metadata)
{
    const readingBudget budget(std::size_t(bytes.size()), what);
    tiffMemory memory;
    memory.input = &bytes;
    const tiffHandle tif = openChecked(memory, bytes, what, budget);
    unsigned long long buffer = 0;
    const pictureHeader header = checkedHeader(tif.get(), bytes, what, budget, buffer);
    if (metadata)
        takeMetadata(tif.get(), bytes, metadata);
    return header;
}

QImage decodeTiff(const QByteArray &bytes, const QString &what, pictureMetadata *metadata, int &orientation)
{
    readingBudget budget(std::size_t(bytes.size()), what);
    tiffMemory memory;
    memory.input = &bytes;
    const tiffHandle tif = openChecked(memory, bytes, what, budget);
    const auto failure = [&] { return imageError(unreadableText(what, "TIFF", QString::fromLocal8Bit(memory.message))); };
    unsigned long long buffer = 0;
    const pictureHeader header = checkedHeader(tif.get(), bytes, what, budget, buffer);
    QImage picture = newDecodedPicture(header.width, header.height, what, budget);
    budget.take(buffer, header.width, header.height); // the strip or tile the reader holds
    sampleLayout layout;
    const bool read = directLayout(tif.get(), layout) ? readDirect(tif.get(), picture, layout)
                                                      : readRgba(tif.get(), picture, memory.message);
    if (!read)
        throw failure();
    orientation = header.orientation;
    if (metadata)
        takeMetadata(tif.get(), bytes, metadata);
    return picture;
}

QByteArray encodeTiff(const QImage &picture, const pictureMetadata &metadata)
{
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        throw imageError(imageTexts::tr("TIFF として書き出す画像がありません。"));
    QByteArray out;
    tiffMemory memory;
    memory.output = &out;
    bool written = false;
    {
        const tiffHandle tif = openTiff(memory, "w");
        if (tif) {
            const uint32_t width = uint32_t(picture.width()), height = uint32_t(picture.height());
            TIFFSetField(tif.get(), TIFFTAG_IMAGEWIDTH, width);
            TIFFSetField(tif.get(), TIFFTAG_IMAGELENGTH, height);
            TIFFSetField(tif.get(), TIFFTAG_BITSPERSAMPLE, 8);
            TIFFSetField(tif.get(), TIFFTAG_SAMPLESPERPIXEL, 3);
            TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
            TIFFSetField(tif.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
            TIFFSetField(tif.get(), TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
            TIFFSetField(tif.get(), TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
            TIFFSetField(tif.get(), TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
            // A baseline TIFF gives its resolution (the camera record's, else 72 pixels an inch):
            // it is the file's own structure, which the record written afterwards leaves alone.
            const exifResolution resolution = resolutionOf(metadata.exifPayload().prepend("Exif\0\0", 6));
            TIFFSetField(tif.get(), TIFFTAG_XRESOLUTION, float(resolution.x));
            TIFFSetField(tif.get(), TIFFTAG_YRESOLUTION, float(resolution.y));
            TIFFSetField(tif.get(), TIFFTAG_RESOLUTIONUNIT, uint16_t(resolution.unit));
            const uint32_t rowsPerStrip = std::max<uint32_t>(1, (256u << 10) / (width * 3));
            TIFFSetField(tif.get(), TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
            const QByteArray icc = metadata.iccProfile(), xmp = metadata.xmpPacket();
            if (!icc.isEmpty())
                TIFFSetField(tif.get(), TIFFTAG_ICCPROFILE, uint32_t(icc.size()), icc.constData());
            if (!xmp.isEmpty())
                TIFFSetField(tif.get(), TIFFTAG_XMLPACKET, uint32_t(xmp.size()), xmp.constData());
            std::vector<std::uint8_t> row(std::size_t(width) * 3);
            written = true;
            for (uint32_t y = 0; y < height && written; ++y) {
                if (y % rowsPerStrip == 0 && cancelRequestedHere()) // a save the user stopped (中止)
                    throw operationCancelled{};
                const std::uint8_t *p = picture.constScanLine(int(y));
                for (uint32_t x = 0; x < width; ++x, p += 4) {
                    row[3 * x] = p[2];
                    row[3 * x + 1] = p[1];
                    row[3 * x + 2] = p[0];
                }
                written = TIFFWriteScanline(tif.get(), row.data(), y, 0) == 1;
            }
            written = written && TIFFWriteDirectory(tif.get());
        }
    }
    if (!written)
        throw imageError(imageTexts::tr("画像を TIFF に変換できません: %1").arg(QString::fromLocal8Bit(memory.message)));
    const QByteArray exif = metadata.exifPayload();
    return exif.isEmpty() ? out : tiffWithCameraRecord(out, exif);
}
