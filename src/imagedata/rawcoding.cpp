#include "rawcoding.h"

#include "decodedpicture.h"
#include "exivrecord.h"
#include "imageerror.h"
#include "jpegcoding.h"
#include "progress.h"
#include "workerpool.h"

#include <libraw/libraw.h>

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

} // namespace

QImage decodeRaw(const QByteArray &bytes, const QString &what, pictureMetadata *metadata)
{
    auto raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    libraw_output_params_t &params = raw->imgdata.params;
    params.use_camera_wb = 1;
    params.output_color = 1; // sRGB
    params.output_bps = 8;
    params.user_flip = -1;   // the camera's orientation
    params.max_raw_memory_mb = 2048;
    int code = raw->open_buffer(const_cast<char *>(bytes.constData()), std::size_t(bytes.size()));
    if (code != LIBRAW_SUCCESS)
        throw imageError(unreadableText(what, "RAW", librawText(code)));
    const long long width = raw->imgdata.sizes.width, height = raw->imgdata.sizes.height;
    const long long rawPixels = static_cast<long long>(raw->imgdata.sizes.raw_width) * raw->imgdata.sizes.raw_height;
    if (width * height > maxPicturePixels || rawPixels > maxPicturePixels)
        throw imageError(tooLargeText(what, width, height));
    if (rawPixels / samplesPerByte > bytes.size())
        throw imageError(unreadableText(what, "RAW", QStringLiteral("the picture data is too short for %1 x %2 pixels").arg(width).arg(height)));
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
        picture = newDecodedPicture(developed->width, developed->height, what);
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
    if (metadata) {
        QByteArray xmp;
        QByteArray record = cameraRecordOf(bytes, &xmp);
        if (record.isEmpty())
            record = recordFromLibraw(*raw);
        metadata->addExifPayload(record);
        metadata->addXmpPacket(xmp);
    }
    return picture;
}
