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

// The first frame of an animation, on its full canvas.
QImage firstFrame(const WebPData &data, const QString &what)
{
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_BGRA;
    WebPAnimDecoder *decoder = WebPAnimDecoderNew(&data, &options);
    WebPAnimInfo info;
    if (!decoder || !WebPAnimDecoderGetInfo(decoder, &info)) {
        WebPAnimDecoderDelete(decoder);
        throw imageError(unreadableText(what, "WebP", QStringLiteral("bitstream error")));
    }
    QImage picture;
    try {
        picture = newDecodedPicture(info.canvas_width, info.canvas_height, what);
    } catch (...) {
        WebPAnimDecoderDelete(decoder);
        throw;
    }
    std::uint8_t *frame = nullptr;
    int timestamp = 0;
    const bool read = WebPAnimDecoderGetNext(decoder, &frame, &timestamp);
    if (read)
        for (int y = 0; y < picture.height(); ++y) {
            std::memcpy(picture.scanLine(y), frame + std::size_t(y) * info.canvas_width * 4, std::size_t(info.canvas_width) * 4);
            bgraRowOverWhite(picture.scanLine(y), picture.width());
        }
    WebPAnimDecoderDelete(decoder);
    if (!read)
        throw imageError(unreadableText(what, "WebP", QStringLiteral("bitstream error")));
    return picture;
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

} // namespace

QImage decodeWebp(const QByteArray &bytes, const QString &what, pictureMetadata *metadata)
{
    const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.constData());
    const std::size_t size = std::size_t(bytes.size());
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        throw imageError(unreadableText(what, "WebP", QStringLiteral("libwebp version mismatch")));
    const VP8StatusCode header = WebPGetFeatures(data, size, &config.input);
    if (header != VP8_STATUS_OK)
        throw imageError(unreadableText(what, "WebP", QLatin1String(statusText(header))));
    // The format itself holds at most 16383 x 16383 pixels, below the pixel limit.
    QImage picture;
    if (config.input.has_animation) {
        // libwebp decodes the first frame in one go: beside the open, given up on a cancel.
        auto frame = std::make_shared<QImage>();
        runAbandonable([bytes, what, frame] {
            const WebPData whole{reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())};
            *frame = firstFrame(whole, what);
        });
        picture = std::move(*frame);
    } else {
        picture = newDecodedPicture(config.input.width, config.input.height, what);
        config.output.colorspace = MODE_BGRA;
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = picture.bits();
        config.output.u.RGBA.stride = int(picture.bytesPerLine());
        config.output.u.RGBA.size = std::size_t(picture.sizeInBytes());
        const VP8StatusCode status = decodeInSteps(data, size, config);
        WebPFreeDecBuffer(&config.output);
        if (status != VP8_STATUS_OK)
            throw imageError(unreadableText(what, "WebP", QLatin1String(statusText(status))));
        if (config.input.has_alpha)
            for (int y = 0; y < picture.height(); ++y)
                bgraRowOverWhite(picture.scanLine(y), picture.width());
    }
    if (metadata) {
        const WebPData whole{data, size};
        if (WebPDemuxer *demux = WebPDemux(&whole)) {
            metadata->addExifPayload(chunk(demux, "EXIF"));
            metadata->addXmpPacket(chunk(demux, "XMP "));
            metadata->addIccProfile(chunk(demux, "ICCP"));
            WebPDemuxDelete(demux);
        }
    }
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
