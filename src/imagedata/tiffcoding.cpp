#include "tiffcoding.h"
#include "imagedata/texts.h"

#include "decodedpicture.h"
#include "exivrecord.h"
#include "imageerror.h"
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

tiffHandle openTiff(tiffMemory &memory, const char *mode)
{
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(1) << 30);
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
    if (!TIFFRGBAImageOK(tif, message) || !TIFFRGBAImageBegin(&image, tif, 0, message))
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

} // namespace

QImage decodeTiff(const QByteArray &bytes, const QString &what, pictureMetadata *metadata, int &orientation)
{
    tiffMemory memory;
    memory.input = &bytes;
    const tiffHandle tif = openTiff(memory, "r");
    const auto failure = [&] { return imageError(unreadableText(what, "TIFF", QString::fromLocal8Bit(memory.message))); };
    if (!tif)
        throw failure();
    uint32_t width = 0, height = 0;
    uint16_t samples = 1, bits = 1, compression = COMPRESSION_NONE, turn = ORIENTATION_TOPLEFT;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ORIENTATION, &turn);
    // What the file's bytes can hold: uncompressed data is all there, and no TIFF coder packs
    // more than 4096 bytes of samples into one byte.
    const long long samplesBytes = (static_cast<long long>(width) * height * samples * bits + 7) / 8;
    const long long ratio = compression == COMPRESSION_NONE ? 1 : 4096;
    if (static_cast<long long>(width) * height <= (1LL << 40) && samplesBytes / ratio > bytes.size())
        throw imageError(unreadableText(what, "TIFF", QStringLiteral("the picture data is too short for %1 x %2 pixels").arg(width).arg(height)));
    QImage picture = newDecodedPicture(width, height, what);
    sampleLayout layout;
    const bool read = directLayout(tif.get(), layout) ? readDirect(tif.get(), picture, layout)
                                                      : readRgba(tif.get(), picture, memory.message);
    if (!read)
        throw failure();
    orientation = turn >= 1 && turn <= 8 ? turn : 1;
    if (metadata) {
        // The camera record lives in the file's own directories: worth Exiv2's walk only when
        // the file names a camera or has an EXIF directory.
        char *text = nullptr;
        toff_t exifDirectory = 0;
        if (TIFFGetField(tif.get(), TIFFTAG_EXIFIFD, &exifDirectory) || TIFFGetField(tif.get(), TIFFTAG_MAKE, &text)
            || TIFFGetField(tif.get(), TIFFTAG_MODEL, &text))
            metadata->addExifPayload(cameraRecordOf(bytes));
        metadata->addXmpPacket(tagBytes(tif.get(), TIFFTAG_XMLPACKET));
        metadata->addIccProfile(tagBytes(tif.get(), TIFFTAG_ICCPROFILE));
    }
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
