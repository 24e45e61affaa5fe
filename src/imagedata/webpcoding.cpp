#include "webpcoding.h"
#include "imagedata/texts.h"

#include "abandonable.h"
#include "decodedpicture.h"
#include "imageerror.h"
#include "progress.h"
#include "workerpool.h"

#include <QtEndian>

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

const char *statusText(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY: return "out of memory";
    case VP8_STATUS_INVALID_PARAM: return "invalid parameter";
    case VP8_STATUS_BITSTREAM_ERROR: return "bitstream error";
    case VP8_STATUS_UNSUPPORTED_FEATURE: return "unsupported feature";
    case VP8_STATUS_NOT_ENOUGH_DATA: return "the file ends early";
    default: return "decoding failed";
    }
}

QByteArray chunk(WebPDemuxer *demux, const char *fourcc)
{
    WebPChunkIterator it;
    QByteArray bytes;
    if (WebPDemuxGetChunk(demux, fourcc, 1, &it))
        bytes = QByteArray(reinterpret_cast<const char *>(it.chunk.bytes), qsizetype(it.chunk.size));
    WebPDemuxReleaseChunkIterator(&it);
    return bytes;
}

// What libwebp holds besides the picture while it decodes one of width x height from a file of
// fileSize bytes: a plane of alpha, a lossless decoder's rows and tables, and the incremental
// decoder's copy of the file.
unsigned long long workingMemory(long long width, long long height, qsizetype fileSize)
{
    return bitmapBytes(width, height) / 4 + 64 * bitmapBytes(width, 1) + static_cast<unsigned long long>(fileSize) + (1ULL << 20);
}

// Whether the container declares more bytes than the file holds: the RIFF's size, or the size of
// the chunk of coded pixels ("VP8 " or "VP8L"). A whole-file decode refuses such a file before its
// first pixel (it ends early), while the incremental decoder waits for the bytes still to come and
// may find the pixels complete already (a file cut in the records after them).
bool declaredBeyondEnd(const std::uint8_t *data, std::size_t size)
{
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0)
        return false; // a bare coded stream: the decoder itself finds it short
    const std::size_t riff = qFromLittleEndian<quint32>(data + 4);
    if (riff > size - 8)
        return true;
    const std::size_t end = riff + 8;
    for (std::size_t at = 12; at + 8 <= end;) {
        const std::size_t length = qFromLittleEndian<quint32>(data + at + 4);
        if (std::memcmp(data + at, "VP8 ", 4) == 0 || std::memcmp(data + at, "VP8L", 4) == 0)
            return length > end - at - 8;
        if (length > end - at - 8)
            return false; // a damaged container: the decoder says what is wrong with it
        at += 8 + length + (length & 1);
    }
    return false;
}

// A still picture into config's output through libwebp's incremental decoder, fed from the bytes
// in memory in steps: an open the user stopped (中止) ends between two steps (a 24-megapixel photo
// takes some 64 of them). Its result is taken only when it has every row of a file whose container
// is complete; anything else (a file cut short, damaged, a picture the incremental decoder still
// waits for once every byte is in) is decided by the whole-file decode, so a file is read or
// refused, with the same reason, as the whole-file decode alone does it.
VP8StatusCode decodeInSteps(const std::uint8_t *data, std::size_t size, WebPDecoderConfig &config)
{
    if (declaredBeyondEnd(data, size))
        return WebPDecode(data, size, &config); // refused at its headers, before any pixel
    WebPIDecoder *decoder = WebPIDecode(nullptr, 0, &config);
    if (!decoder)
        return WebPDecode(data, size, &config);
    const std::size_t step = std::max<std::size_t>(size / 64, 16 << 10);
    VP8StatusCode status = VP8_STATUS_SUSPENDED;
    for (std::size_t fed = 0; fed < size && status == VP8_STATUS_SUSPENDED;) {
        if (cancelRequestedHere()) {
            WebPIDelete(decoder);
            throw operationCancelled{};
        }
        fed = std::min(size, fed + step);
        status = WebPIUpdate(decoder, data, fed);
    }
    int rows = 0;
    const bool whole = status == VP8_STATUS_OK && WebPIDecGetRGB(decoder, &rows, nullptr, nullptr, nullptr)
                       && rows == config.input.height;
    WebPIDelete(decoder);
    if (whole)
        return VP8_STATUS_OK;
    if (cancelRequestedHere())
        throw operationCancelled{};
    return WebPDecode(data, size, &config);
}

int writeToBytes(const std::uint8_t *data, std::size_t size, const WebPPicture *picture)
{
    static_cast<QByteArray *>(picture->custom_ptr)->append(reinterpret_cast<const char *>(data), qsizetype(size));
    return 1;
}

// libwebp asks this as the encode goes on (on the calling thread); 0 stops it: a save the user
// stopped (中止).
int goOnUnlessCancelled(int, const WebPPicture *)
{
    return cancelRequestedHere() ? 0 : 1;
}

// The features of the file (the canvas of an animation) and every check of the declared size:
// the picture and libwebp's working memory for it (a plane of alpha, a lossless decoder's rows,
// the incremental decoder's copy of the file) within the budget.
pictureHeader checkedHeader(const QByteArray &bytes, const QString &what, WebPBitstreamFeatures &features,
                            const readingBudget &budget)
{
    const VP8StatusCode status = WebPGetFeatures(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                                 std::size_t(bytes.size()), &features);
    if (status != VP8_STATUS_OK)
        throw imageError(unreadableText(what, "WebP", QLatin1String(statusText(status))));
    pictureHeader header;
    header.width = features.width;
    header.height = features.height;
    // The format itself holds at most 16383 x 16383 pixels, below the pixel limit.
    checkPictureSize(header.width, header.height, what);
    budget.require(bitmapBytes(header.width, header.height) + workingMemory(header.width, header.height, bytes.size()),
                   header.width, header.height);
    return header;
}

void takeMetadata(const QByteArray &bytes, pictureMetadata &metadata)
{
    const WebPData whole{reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())};
    if (WebPDemuxer *demux = WebPDemux(&whole)) {
        metadata.addExifPayload(chunk(demux, "EXIF"));
        metadata.addXmpPacket(chunk(demux, "XMP "));
        metadata.addIccProfile(chunk(demux, "ICCP"));
        WebPDemuxDelete(demux);
    }
}

// config's output: BGRA into the picture's rows from (x, y), width x height of them.
void decodeInto(WebPDecoderConfig &config, QImage &picture, int x, int y, int width, int height)
{
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = picture.scanLine(y) + 4 * x;
    config.output.u.RGBA.stride = int(picture.bytesPerLine());
    config.output.u.RGBA.size = std::size_t(picture.bytesPerLine()) * std::size_t(height - 1) + std::size_t(width) * 4;
}

// The first frame of an animation on its canvas, as libwebp's animation decoder shows it: the
// frame decoded into its place on a transparent canvas (the first frame is never blended), here
// straight into the picture, in steps as a still picture is.
VP8StatusCode decodeFirstFrame(const QByteArray &bytes, QImage &canvas, WebPDecoderConfig &config)
{
    const WebPData whole{reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())};
    WebPDemuxer *demux = WebPDemux(&whole);
    WebPIterator frame;
    if (!demux || !WebPDemuxGetFrame(demux, 1, &frame)) {
        WebPDemuxDelete(demux);
        return VP8_STATUS_BITSTREAM_ERROR;
    }
    for (int y = 0; y < canvas.height(); ++y)
        std::memset(canvas.scanLine(y), 0, std::size_t(canvas.width()) * 4);
    VP8StatusCode status = WebPGetFeatures(frame.fragment.bytes, frame.fragment.size, &config.input);
    if (status == VP8_STATUS_OK && (frame.x_offset + frame.width > canvas.width() || frame.y_offset + frame.height > canvas.height()
                                    || config.input.width != frame.width || config.input.height != frame.height))
        status = VP8_STATUS_BITSTREAM_ERROR;
    if (status == VP8_STATUS_OK) {
        decodeInto(config, canvas, frame.x_offset, frame.y_offset, frame.width, frame.height);
        try {
            status = decodeInSteps(frame.fragment.bytes, frame.fragment.size, config);
        } catch (...) {
            WebPDemuxReleaseIterator(&frame);
            WebPDemuxDelete(demux);
            throw;
        }
    }
    WebPDemuxReleaseIterator(&frame);
    WebPDemuxDelete(demux);
    return status;
}

} // namespace

pictureHeader readWebpHeader(const QByteArray &bytes, const QString &what, pictureMetadata *metadata)
{
    const readingBudget budget(std::size_t(bytes.size()), what);
    WebPBitstreamFeatures features;
    pictureHeader header = checkedHeader(bytes, what, features, budget);
    pictureMetadata read;
    takeMetadata(bytes, read);
    header.orientation = read.orientation();
    if (metadata)
        *metadata = std::move(read);
    return header;
}

QImage decodeWebp(const QByteArray &bytes, const QString &what, pictureMetadata *metadata)
{
    const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.constData());
    const std::size_t size = std::size_t(bytes.size());
    readingBudget budget(size, what);
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        throw imageError(unreadableText(what, "WebP", QStringLiteral("libwebp version mismatch")));
    const pictureHeader header = checkedHeader(bytes, what, config.input, budget);
    QImage picture = newDecodedPicture(header.width, header.height, what, budget);
    budget.take(workingMemory(header.width, header.height, bytes.size()), header.width, header.height);
    const bool animation = config.input.has_animation;
    VP8StatusCode status;
    if (animation) {
        status = decodeFirstFrame(bytes, picture, config);
    } else {
        decodeInto(config, picture, 0, 0, picture.width(), picture.height());
        status = decodeInSteps(data, size, config);
    }
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        throw imageError(unreadableText(what, "WebP", QLatin1String(statusText(status))));
    if (animation || config.input.has_alpha)
        for (int y = 0; y < picture.height(); ++y)
            bgraRowOverWhite(picture.scanLine(y), picture.width());
    if (metadata)
        takeMetadata(bytes, *metadata);
    return picture;
}

QByteArray encodeWebp(const QImage &picture, int quality, const pictureMetadata &metadata)
{
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        throw imageError(imageTexts::tr("WebP として書き出す画像がありません。"));
    if (picture.width() > WEBP_MAX_DIMENSION || picture.height() > WEBP_MAX_DIMENSION)
        throw imageError(imageTexts::tr("画像が大きすぎて WebP ファイルにできません（一辺 %1 画素まで）。").arg(WEBP_MAX_DIMENSION));
    quality = std::clamp(quality, 1, 100);
    WebPConfig config;
    WebPPicture input;
    if (!WebPConfigInit(&config) || !WebPPictureInit(&input))
        throw imageError(imageTexts::tr("画像を WebP に変換できません: libwebp version mismatch"));
    if (quality == 100) {
        WebPConfigLosslessPreset(&config, 6);
        config.method = 4; // a good size in a few seconds for a large photo
    } else {
        config.quality = float(quality);
    }
    input.use_argb = quality == 100;
    input.width = picture.width();
    input.height = picture.height();
    // The lossless encoder reports its progress only every second or two: the encode runs beside
    // the save, which a cancel ends at once (abandonable.h); the encode stops at its next report.
    auto coded = std::make_shared<QByteArray>();
    runAbandonable([picture, config, input, coded]() mutable {
        input.writer = writeToBytes;
        input.custom_ptr = coded.get();
        input.progress_hook = goOnUnlessCancelled;
        const bool imported = WebPPictureImportBGRX(&input, picture.constBits(), int(picture.bytesPerLine()));
        const bool encoded = imported && WebPEncode(&config, &input);
        const WebPEncodingError error = input.error_code;
        WebPPictureFree(&input);
        if (!encoded && error == VP8_ENC_ERROR_USER_ABORT)
            throw operationCancelled{};
        if (!encoded)
            throw imageError(imageTexts::tr("画像を WebP に変換できません（libwebp の誤り %1）。").arg(int(error)));
    });

    const QByteArray exif = metadata.exifPayload(), xmp = metadata.xmpPacket(), icc = metadata.iccProfile();
    if (exif.isEmpty() && xmp.isEmpty() && icc.isEmpty())
        return *coded;
    WebPMux *mux = WebPMuxNew();
    const WebPData image{reinterpret_cast<const std::uint8_t *>(coded->constData()), std::size_t(coded->size())};
    bool done = mux && WebPMuxSetImage(mux, &image, 0) == WEBP_MUX_OK;
    for (auto [fourcc, bytes] : {std::pair{"EXIF", &exif}, std::pair{"XMP ", &xmp}, std::pair{"ICCP", &icc}}) {
        const WebPData d{reinterpret_cast<const std::uint8_t *>(bytes->constData()), std::size_t(bytes->size())};
        if (done && !bytes->isEmpty())
            done = WebPMuxSetChunk(mux, fourcc, &d, 0) == WEBP_MUX_OK;
    }
    WebPData assembled{nullptr, 0};
    done = done && WebPMuxAssemble(mux, &assembled) == WEBP_MUX_OK;
    WebPMuxDelete(mux);
    QByteArray out;
    if (done)
        out = QByteArray(reinterpret_cast<const char *>(assembled.bytes), qsizetype(assembled.size));
    WebPDataClear(&assembled);
    if (!done)
        throw imageError(imageTexts::tr("WebP ファイルに画像情報を書き込めません。"));
    return out;
}
