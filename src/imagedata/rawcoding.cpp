#include "rawcoding.h"

#include "decodedpicture.h"
#include "exivrecord.h"
#include "imageerror.h"
#include "jpegcoding.h"
#include "progress.h"
#include "workerpool.h"

#include <libraw/libraw.h>

#include <algorithm>
#include <memory>

namespace {

// No camera packs its sensor data tighter than this many samples per byte of file (lossless
// Huffman coding spends at least one bit on a sample); a smaller file cannot hold the picture.
constexpr long long samplesPerByte = 16;

QString librawText(int code)
{
    return QString::fromLocal8Bit(libraw_strerror(code));
}

// A record of the values LibRaw read, for files whose own record Exiv2 cannot reach.
QByteArray recordFromLibraw(const LibRaw &raw)
{
    cameraValues values;
    values.make = QByteArray(raw.imgdata.idata.make);
    values.model = QByteArray(raw.imgdata.idata.model);
    values.timestamp = static_cast<long long>(raw.imgdata.other.timestamp);
    values.iso = raw.imgdata.other.iso_speed;
    values.exposureTime = raw.imgdata.other.shutter;
    values.fNumber = raw.imgdata.other.aperture;
    values.focalLength = raw.imgdata.other.focal_len;
    return cameraRecordFrom(values);
}

void takeMetadata(const QByteArray &bytes, const LibRaw &raw, pictureMetadata *metadata)
{
    QByteArray xmp;
    QByteArray record = cameraRecordOf(bytes, &xmp);
    if (record.isEmpty())
        record = recordFromLibraw(raw);
    metadata->addExifPayload(record);
    metadata->addXmpPacket(xmp);
}

// The memory a development takes, from the sizes the file declares: the raw samples as LibRaw
// keeps them (up to four 16-bit values each), its picture of four 16-bit values a pixel, the
// developed 8-bit picture and this reader's bitmap.
unsigned long long developingMemory(const LibRaw &raw)
{
    const auto &sizes = raw.imgdata.sizes;
    const unsigned long long rawPixels = static_cast<unsigned long long>(sizes.raw_width) * sizes.raw_height;
    const unsigned long long pixels = static_cast<unsigned long long>(sizes.width) * sizes.height;
    return 8 * rawPixels + (8 + 3 + 4) * pixels;
}

// The file opened by LibRaw and its declared size checked: the pixel limit, what the file's bytes
// can describe, and the development's memory within the budget.
std::unique_ptr<LibRaw> openRaw(const QByteArray &bytes, const QString &what, const readingBudget &budget)
{
    auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    libraw_output_params_t &params = raw->imgdata.params;
    params.use_camera_wb = 1;
    params.output_color = 1; // sRGB
    params.output_bps = 8;
    params.user_flip = -1;   // the camera's orientation
    params.max_raw_memory_mb = unsigned(std::min<unsigned long long>(2048, budget.total() >> 20));
    const int code = raw->open_buffer(const_cast<char *>(bytes.constData()), std::size_t(bytes.size()));
    if (code != LIBRAW_SUCCESS)
        throw imageError(unreadableText(what, "RAW", librawText(code)));
    const long long width = raw->imgdata.sizes.width, height = raw->imgdata.sizes.height;
    const long long rawPixels = static_cast<long long>(raw->imgdata.sizes.raw_width) * raw->imgdata.sizes.raw_height;
    checkPictureSize(width, height, what);
    if (rawPixels > maxPicturePixels)
        throw imageError(tooLargeText(what, width, height));
    if (rawPixels / samplesPerByte > bytes.size())
        throw imageError(tooShortText(what, "RAW", width, height));
    budget.require(developingMemory(*raw), width, height);
    return raw;
}

} // namespace

pictureHeader readRawHeader(const QByteArray &bytes, const QString &what, pictureMetadata *metadata)
{
    const readingBudget budget(std::size_t(bytes.size()), what);
    const std::unique_ptr<LibRaw> raw = openRaw(bytes, what, budget);
    if (metadata)
        takeMetadata(bytes, *raw, metadata);
    // The developed picture's size: a 45-degree sensor turned, pixels that are not square
    // stretched, and the camera's orientation, as the development makes them.
    raw->adjust_sizes_info_only();
    const libraw_image_sizes_t &sizes = raw->imgdata.sizes;
    pictureHeader header;
    header.width = sizes.iwidth; // a 45-degree sensor's sides, turned by the orientation
    header.height = sizes.iheight;
    if (sizes.pixel_aspect < 0.995 || sizes.pixel_aspect > 1.005) {
        // Pixels that are not square: the stretched sides are in width and height.
        header.width = sizes.flip & 4 ? sizes.height : sizes.width;
        header.height = sizes.flip & 4 ? sizes.width : sizes.height;
    }
    return header;
}

QImage decodeRaw(const QByteArray &bytes, const QString &what, pictureMetadata *metadata)
{
    readingBudget budget(std::size_t(bytes.size()), what);
    const std::unique_ptr<LibRaw> raw = openRaw(bytes, what, budget);
    // The developed picture and this reader's bitmap are counted as the bitmap is made.
    budget.take(developingMemory(*raw) - bitmapBytes(raw->imgdata.sizes.width, raw->imgdata.sizes.height),
                raw->imgdata.sizes.width, raw->imgdata.sizes.height);
    int code = LIBRAW_SUCCESS;
    // Asked at every stage of the development: an open the user stops (中止) ends at the next one.
    raw->set_progress_handler([](void *, LibRaw_progress, int, int) { return cancelRequestedHere() ? 1 : 0; }, nullptr);
    code = raw->unpack();
    if (code == LIBRAW_SUCCESS)
        code = raw->dcraw_process();
    if (code == LIBRAW_CANCELLED_BY_CALLBACK)
        throw operationCancelled{};
    if (code != LIBRAW_SUCCESS)
        throw imageError(unreadableText(what, "RAW", librawText(code)));
    int made = LIBRAW_SUCCESS;
    libraw_processed_image_t *developed = raw->dcraw_make_mem_image(&made);
    if (!developed || made != LIBRAW_SUCCESS || developed->type != LIBRAW_IMAGE_BITMAP || developed->colors != 3
        || developed->bits != 8) {
        LibRaw::dcraw_clear_mem(developed);
        throw imageError(unreadableText(what, "RAW", librawText(made)));
    }
    QImage picture;
    try {
        picture = newDecodedPicture(developed->width, developed->height, what, budget);
    } catch (...) {
        LibRaw::dcraw_clear_mem(developed);
        throw;
    }
    for (int y = 0; y < picture.height(); ++y) {
        const unsigned char *from = developed->data + std::size_t(y) * developed->width * 3;
        std::uint8_t *to = picture.scanLine(y);
        for (int x = 0; x < picture.width(); ++x, from += 3, to += 4) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            to[3] = 0xFF;
        }
    }
    LibRaw::dcraw_clear_mem(developed);
    if (metadata)
        takeMetadata(bytes, *raw, metadata);
    return picture;
}
