#include "jxlcoding.h"
#include "imagedata/texts.h"

#include "abandonable.h"
#include "decodedpicture.h"
#include "imageerror.h"
#include "jpegcoding.h"
#include "messagesink.h"
#include "picturelimits.h"
#include "progress.h"
#include "workerpool.h"

#include <jxl/decode.h>
#include <jxl/encode.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// ---- libjxl's parallel steps on the engines' pool --------------------------------------------

// What the runner tells after libjxl failed: whether it was the cancel that stopped it, or the
// work budget (stepsLeft: the parallel steps libjxl may still take).
struct poolRunner {
    std::atomic<bool> cancelled{false};
    unsigned long long stepsLeft = ~0ULL;
    bool overBudget = false;
};

// libjxl hands every parallel step (groups of pixels, passes, rows of the output) to this. The
// values are shared out among as many tasks as threads, each task with its own thread number
// (libjxl keeps scratch memory per number). A cancel (中止) is asked before the step and before
// each value: the step then fails, and libjxl with it, before any further work.
JxlParallelRetCode runOnPool(void *runnerOpaque, void *jxlOpaque, JxlParallelRunInit init, JxlParallelRunFunction func,
                             std::uint32_t start, std::uint32_t end)
{
    auto *runner = static_cast<poolRunner *>(runnerOpaque);
    if (cancelRequestedHere()) {
        runner->cancelled = true;
        return JXL_PARALLEL_RET_RUNNER_ERROR;
    }
    if (runner->stepsLeft == 0) {
        runner->overBudget = true;
        return JXL_PARALLEL_RET_RUNNER_ERROR;
    }
    --runner->stepsLeft;
    if (end <= start)
        return init(jxlOpaque, 1);
    const int threads = int(std::min<std::uint64_t>(std::uint64_t(std::max(workerThreads(), 1)), std::uint64_t(end - start)));
    if (init(jxlOpaque, std::size_t(threads)) != 0)
        return JXL_PARALLEL_RET_RUNNER_ERROR;
    std::atomic<std::uint64_t> next{start};
    std::atomic<bool> stopped{false};
    try {
        runTasks(threads, [&](int thread) {
            for (std::uint64_t v = next++; v < end && !stopped; v = next++) {
                if (cancelRequestedHere()) {
                    stopped = true;
                    break;
                }
                func(jxlOpaque, std::uint32_t(v), std::size_t(thread));
            }
        });
    } catch (...) { // the pool's own cancel, or a thread that could not start
        stopped = true;
    }
    if (!stopped)
        return 0;
    runner->cancelled = runner->cancelled || cancelRequestedHere();
    return JXL_PARALLEL_RET_RUNNER_ERROR;
}

struct decoderGone {
    void operator()(JxlDecoder *d) const { JxlDecoderDestroy(d); }
};
struct encoderGone {
    void operator()(JxlEncoder *e) const { JxlEncoderDestroy(e); }
};

// ---- the budget -----------------------------------------------------------------------------

// libjxl works on planes of 32-bit samples (floating point for lossy pictures), a few of them per
// channel while a frame is put together: some 20 bytes a pixel for a colour picture, measured,
// besides the bitmap. A declared size is held to what the file may cost with that counted.
constexpr unsigned long long workingBytesPerChannel = 6;

// A picture (or a frame of it) of width x height with `channels` planes, refused unless it keeps
// to the pixel limit and to the reading's budget (picturelimits.h: what the file's bytes may cost,
// or the user's limit).
void checkDeclaredSize(unsigned long long width, unsigned long long height, unsigned long long channels,
                       const readingBudget &budget, const QString &what)
{
    // libjxl gives each side in 32 bits: the product fits in 64 bits.
    const unsigned long long pixels = width * height;
    if (width == 0 || height == 0)
        throw imageError(unreadableText(what, "JPEG XL", imageTexts::tr("画像の大きさが 0 です。")));
    if (pixels > static_cast<unsigned long long>(maxPicturePixels))
        throw imageError(tooLargeText(what, static_cast<long long>(width), static_cast<long long>(height)));
    // pixels <= 4e8 and channels held to 4099 (3 colours, 4096 extra): no overflow.
    const unsigned long long perPixel = 4 + workingBytesPerChannel * std::min<unsigned long long>(channels, 4099);
    budget.require(pixels * perPixel, static_cast<long long>(width), static_cast<long long>(height));
}

// libjxl takes a few parallel steps for a frame, each going over much of the canvas, and a file
// of a few bytes a frame may stack up thousands of frames (or frames kept only for others to
// copy from) before the one shown: some 10 ns of work (allocation included) per canvas pixel and
// step. The steps of a decode are held to a budget of canvas pixels from the file's size: about
// a second at the floor; a still photo takes three or four steps, a picture of a few dozen
// layers a few per layer, and a file of a few megabytes may take thousands.
constexpr unsigned long long stepWorkFloor = 128ULL << 20;
constexpr unsigned long long stepWorkPerFileByte = 4096;
constexpr unsigned long long leastSteps = 16;

unsigned long long stepsFor(unsigned long long canvasPixels, std::size_t fileSize)
{
    const unsigned long long work = std::max(stepWorkFloor, stepWorkPerFileByte * std::min<unsigned long long>(fileSize, 1ULL << 40));
    return std::max(leastSteps, work / std::max(canvasPixels, 1ULL));
}

// The records kept from the container's boxes: the first "Exif" and "xml " box each, whole and
// below this size (a Brotli-compressed box may unpack to far more than the file holds).
constexpr std::size_t largestRecord = 16 << 20;

enum class recordKind { none, exif, xmp };

struct recordReader {
    recordKind kind = recordKind::none;
    std::vector<std::uint8_t> buffer;
    bool tooLarge = false;
    QByteArray exif, xmp;
    bool haveExif = false, haveXmp = false;

    // The box under way taken (or dropped); called before the next box and at the end.
    void finish(JxlDecoder *d)
    {
        if (kind == recordKind::none)
            return;
        const std::size_t used = buffer.size() - JxlDecoderReleaseBoxBuffer(d);
        if (!tooLarge) {
            const QByteArray bytes(reinterpret_cast<const char *>(buffer.data()), qsizetype(used));
            if (kind == recordKind::exif) {
                // A big-endian offset from the end of its four bytes to the TIFF header.
                if (bytes.size() >= 4) {
                    const quint32 offset = quint32(std::uint8_t(bytes[0])) << 24 | quint32(std::uint8_t(bytes[1])) << 16
                                           | quint32(std::uint8_t(bytes[2])) << 8 | std::uint8_t(bytes[3]);
                    if (offset <= quint32(bytes.size() - 4))
                        exif = bytes.mid(4 + qsizetype(offset));
                }
                haveExif = true;
            } else {
                xmp = bytes;
                haveXmp = true;
            }
        }
        kind = recordKind::none;
        buffer.clear();
        buffer.shrink_to_fit();
        tooLarge = false;
    }

    void start(JxlDecoder *d)
    {
        JxlBoxType type;
        if (JxlDecoderGetBoxType(d, type, JXL_TRUE) != JXL_DEC_SUCCESS)
            return;
        if (std::memcmp(type, "Exif", 4) == 0 && !haveExif)
            kind = recordKind::exif;
        else if (std::memcmp(type, "xml ", 4) == 0 && !haveXmp)
            kind = recordKind::xmp;
        else
            return;
        buffer.resize(64 << 10);
        JxlDecoderSetBoxBuffer(d, buffer.data(), buffer.size());
    }

    // The box is larger than its buffer: twice the room, up to largestRecord; beyond it the box
    // is dropped, and libjxl, given no room, skips the rest of it without unpacking it.
    void grow(JxlDecoder *d)
    {
        const std::size_t left = JxlDecoderReleaseBoxBuffer(d);
        const std::size_t used = buffer.size() - left;
        if (kind == recordKind::none || tooLarge || buffer.size() * 2 > largestRecord) {
            tooLarge = tooLarge || kind != recordKind::none;
            return;
        }
        buffer.resize(buffer.size() * 2);
        JxlDecoderSetBoxBuffer(d, buffer.data() + used, buffer.size() - used);
    }
};

// ---- decoding -------------------------------------------------------------------------------

// Where the rows libjxl hands over go: blue, green, red and an opaque fourth byte, alpha laid
// over white, 16-bit samples rounded to 8 bits.
struct pixelSink {
    std::uint8_t *bits = nullptr;
    qsizetype stride = 0;
    int channels = 3; // 3 or 4 (alpha)
    bool deep = false;
};

void takeRow(void *opaque, std::size_t x, std::size_t y, std::size_t count, const void *pixels)
{
    const auto *sink = static_cast<const pixelSink *>(opaque);
    std::uint8_t *out = sink->bits + qsizetype(y) * sink->stride + qsizetype(x) * 4;
    const int n = sink->channels;
    for (std::size_t i = 0; i < count; ++i, out += 4) {
        std::uint32_t r, g, b, a = 255;
        if (sink->deep) {
            const auto *p = static_cast<const std::uint16_t *>(pixels) + i * std::size_t(n);
            r = eightBits(p[0]), g = eightBits(p[1]), b = eightBits(p[2]);
            if (n == 4)
                a = eightBits(p[3]);
        } else {
            const auto *p = static_cast<const std::uint8_t *>(pixels) + i * std::size_t(n);
            r = p[0], g = p[1], b = p[2];
            if (n == 4)
                a = p[3];
        }
        out[0] = a == 255 ? std::uint8_t(b) : overWhite(b, a);
        out[1] = a == 255 ? std::uint8_t(g) : overWhite(g, a);
        out[2] = a == 255 ? std::uint8_t(r) : overWhite(r, a);
        out[3] = 0xFF;
    }
}

bool isSrgb(const JxlColorEncoding &c)
{
    return c.color_space == JXL_COLOR_SPACE_RGB && c.white_point == JXL_WHITE_POINT_D65
           && c.primaries == JXL_PRIMARIES_SRGB && c.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
}

// The colour of the pixels as they come: nothing for sRGB and grey, else the profile describing
// them. A lossy picture whose original colours only a profile of its own describes comes as
// sRGB (libjxl would otherwise give linear light, which eight bits cannot hold without bands).
QByteArray takeColour(JxlDecoder *d, const JxlBasicInfo &info)
{
    JxlColorEncoding encoding;
    if (!info.uses_original_profile
        && JxlDecoderGetColorAsEncodedProfile(d, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL, &encoding) != JXL_DEC_SUCCESS) {
        JxlColorEncoding srgb;
        std::memset(&srgb, 0, sizeof srgb);
        srgb.color_space = info.num_color_channels == 1 ? JXL_COLOR_SPACE_GRAY : JXL_COLOR_SPACE_RGB;
        srgb.white_point = JXL_WHITE_POINT_D65;
        srgb.primaries = JXL_PRIMARIES_SRGB;
        srgb.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
        srgb.rendering_intent = JXL_RENDERING_INTENT_PERCEPTUAL;
        JxlDecoderSetPreferredColorProfile(d, &srgb);
        return QByteArray();
    }
    if (info.num_color_channels != 3)
        return QByteArray();
    if (JxlDecoderGetColorAsEncodedProfile(d, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &encoding) == JXL_DEC_SUCCESS
        && isSrgb(encoding))
        return QByteArray();
    std::size_t size = 0;
    if (JxlDecoderGetICCProfileSize(d, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) != JXL_DEC_SUCCESS || size == 0
        || size > largestRecord)
        return QByteArray();
    QByteArray profile(qsizetype(size), '\0');
    if (JxlDecoderGetColorAsICCProfile(d, nullptr, JXL_COLOR_PROFILE_TARGET_DATA,
                                       reinterpret_cast<std::uint8_t *>(profile.data()), size) != JXL_DEC_SUCCESS)
        return QByteArray();
    return profile;
}

struct jxlRead {
    JxlBasicInfo info{};
    bool haveInfo = false;
    QImage picture;
    bool pixelsDone = false;
};

// Reads the file: its headers always, the first frame's pixels with wantPixels, the records into
// metadata when given.
jxlRead readJxl(const QByteArray &bytes, const QString &what, bool wantPixels, pictureMetadata *metadata)
{
    const std::unique_ptr<JxlDecoder, decoderGone> owner(JxlDecoderCreate(nullptr));
    JxlDecoder *d = owner.get();
    if (!d)
        throw imageError(noMemoryText(what, 0, 0));
    poolRunner runner;
    int events = JXL_DEC_BASIC_INFO;
    if (wantPixels || metadata)
        events |= JXL_DEC_COLOR_ENCODING;
    if (wantPixels)
        events |= JXL_DEC_FRAME | JXL_DEC_FULL_IMAGE;
    if (metadata)
        events |= JXL_DEC_BOX;
    const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.constData());
    // The orientation is applied as for the other formats (uprightPicture); alpha comes
    // straight, as bgraRowOverWhite's rule lays it over white, even from a premultiplied file.
    if (JxlDecoderSubscribeEvents(d, events) != JXL_DEC_SUCCESS || JxlDecoderSetKeepOrientation(d, JXL_TRUE) != JXL_DEC_SUCCESS
        || JxlDecoderSetUnpremultiplyAlpha(d, JXL_TRUE) != JXL_DEC_SUCCESS
        || JxlDecoderSetParallelRunner(d, runOnPool, &runner) != JXL_DEC_SUCCESS
        || (metadata && JxlDecoderSetDecompressBoxes(d, JXL_TRUE) != JXL_DEC_SUCCESS)
        || JxlDecoderSetInput(d, data, std::size_t(bytes.size())) != JXL_DEC_SUCCESS)
        throw imageError(unreadableText(what, "JPEG XL", QStringLiteral("libjxl could not be set up")));
    JxlDecoderCloseInput(d);

    jxlRead read;
    recordReader records;
    QByteArray profile;
    pixelSink sink;
    const std::size_t fileSize = std::size_t(bytes.size());
    readingBudget budget(fileSize, what);
    for (bool more = true; more;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(d);
        switch (status) {
        case JXL_DEC_ERROR:
            if (runner.cancelled || cancelRequestedHere())
                throw operationCancelled{};
            if (runner.overBudget)
                throw imageError(unreadableText(what, "JPEG XL",
                                                imageTexts::tr("重ねられたフレームが多すぎて、ファイルの大きさに見合いません。")));
            // All the bytes are in: a file cut short fails here too.
            throw imageError(unreadableText(what, "JPEG XL", QStringLiteral("the data are damaged or end early")));
        case JXL_DEC_NEED_MORE_INPUT:
            throw imageError(unreadableText(what, "JPEG XL", QStringLiteral("the file ends early")));
        case JXL_DEC_BASIC_INFO:
            if (JxlDecoderGetBasicInfo(d, &read.info) != JXL_DEC_SUCCESS)
                throw imageError(unreadableText(what, "JPEG XL", QStringLiteral("the header is damaged")));
            read.haveInfo = true;
            checkDeclaredSize(read.info.xsize, read.info.ysize, 3ULL + read.info.num_extra_channels, budget, what);
            runner.stepsLeft = stepsFor(static_cast<unsigned long long>(read.info.xsize) * read.info.ysize, fileSize);
            if (events == JXL_DEC_BASIC_INFO)
                more = false; // the size is all that was asked
            break;
        case JXL_DEC_COLOR_ENCODING:
            profile = takeColour(d, read.info);
            break;
        case JXL_DEC_FRAME: {
            if (read.pixelsDone) { // an animation's next frame: the first is the picture
                more = false;
                break;
            }
            JxlFrameHeader frame;
            if (JxlDecoderGetFrameHeader(d, &frame) == JXL_DEC_SUCCESS)
                checkDeclaredSize(std::max(frame.layer_info.xsize, read.info.xsize),
                                  std::max(frame.layer_info.ysize, read.info.ysize), 3ULL + read.info.num_extra_channels,
                                  budget, what);
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            read.picture = newDecodedPicture(read.info.xsize, read.info.ysize, what, budget);
            sink.bits = read.picture.bits();
            sink.stride = read.picture.bytesPerLine();
            sink.channels = read.info.alpha_bits > 0 ? 4 : 3;
            sink.deep = read.info.bits_per_sample > 8 || read.info.exponent_bits_per_sample > 0;
            const JxlPixelFormat format{std::uint32_t(sink.channels), sink.deep ? JXL_TYPE_UINT16 : JXL_TYPE_UINT8,
                                        JXL_NATIVE_ENDIAN, 0};
            if (JxlDecoderSetImageOutCallback(d, &format, takeRow, &sink) != JXL_DEC_SUCCESS)
                throw imageError(unreadableText(what, "JPEG XL", QStringLiteral("unsupported pixel layout")));
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            read.pixelsDone = true;
            more = metadata != nullptr; // the records may follow the pixels
            break;
        case JXL_DEC_BOX:
            records.finish(d);
            records.start(d);
            break;
        case JXL_DEC_BOX_NEED_MORE_OUTPUT:
            records.grow(d);
            break;
        case JXL_DEC_SUCCESS:
            more = false;
            break;
        default:
            throw imageError(unreadableText(what, "JPEG XL", QStringLiteral("unexpected decoder state %1").arg(int(status))));
        }
    }
    records.finish(d);
    if (!read.haveInfo)
        throw imageError(unreadableText(what, "JPEG XL", QStringLiteral("the header is missing")));
    if (wantPixels && !read.pixelsDone)
        throw imageError(unreadableText(what, "JPEG XL", QStringLiteral("the file holds no picture")));
    if (metadata) {
        *metadata = pictureMetadata();
        metadata->addExifPayload(records.exif);
        metadata->addXmpPacket(records.xmp);
        metadata->addIccProfile(profile);
    }
    return read;
}

int orientationOf(const JxlBasicInfo &info)
{
    const int o = int(info.orientation);
    return o >= 1 && o <= 8 ? o : 1;
}

// ---- encoding -------------------------------------------------------------------------------

// The picture's rows as libjxl takes them: red, green, blue, eight bits each.
std::vector<std::uint8_t> rgbRows(const QImage &picture)
{
    const int w = picture.width(), h = picture.height();
    std::vector<std::uint8_t> rgb;
    try {
        rgb.resize(std::size_t(w) * std::size_t(h) * 3);
    } catch (const std::bad_alloc &) {
        throw imageError(imageTexts::tr("JPEG XL に変換するためのメモリが足りません（%1 × %2 画素）。").arg(w).arg(h));
    }
    forEachBand(h, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const auto *in = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
            std::uint8_t *out = rgb.data() + std::size_t(y) * std::size_t(w) * 3;
            for (int x = 0; x < w; ++x, out += 3) {
                out[0] = std::uint8_t(qRed(in[x]));
                out[1] = std::uint8_t(qGreen(in[x]));
                out[2] = std::uint8_t(qBlue(in[x]));
            }
        }
    });
    return rgb;
}

QString encodeFailure(JxlEncoder *e)
{
    return imageTexts::tr("画像を JPEG XL に変換できません（libjxl の誤り %1）。").arg(int(JxlEncoderGetError(e)));
}

} // namespace

double jxlDistanceOf(int quality)
{
    quality = std::clamp(quality, 1, 100);
    if (quality == 100)
        return 0.0;
    if (quality >= 30)
        return 0.1 + (100 - quality) * 0.09;
    return 53.0 / 3000.0 * quality * quality - 23.0 / 20.0 * quality + 25.0;
}

QImage decodeJxl(const QByteArray &bytes, const QString &what, pictureMetadata *metadata, int &orientation)
{
    jxlRead read = readJxl(bytes, what, true, metadata);
    orientation = orientationOf(read.info);
    return std::move(read.picture);
}

QSize jxlHeaderSize(const QByteArray &bytes, const QString &what, pictureMetadata *metadata, int &orientation)
{
    const jxlRead read = readJxl(bytes, what, false, metadata);
    orientation = orientationOf(read.info);
    return QSize(int(read.info.xsize), int(read.info.ysize));
}

namespace {

// The file, or nothing when libjxl refuses the colour profile (*profileRefused set).
QByteArray encodeWith(const QImage &picture, int quality, const QByteArray &exif, const QByteArray &xmp,
                      const QByteArray &icc, bool *profileRefused)
{
    const bool lossless = std::clamp(quality, 1, 100) == 100;

    const std::unique_ptr<JxlEncoder, encoderGone> owner(JxlEncoderCreate(nullptr));
    JxlEncoder *e = owner.get();
    if (!e)
        throw imageError(imageTexts::tr("JPEG XL に変換するためのメモリが足りません。"));
    poolRunner runner;
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = std::uint32_t(picture.width());
    info.ysize = std::uint32_t(picture.height());
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    // Lossless keeps the samples as they are; lossy ones go through libjxl's own perceptual space,
    // unless the colours are of a profile of their own, which they stay in.
    info.uses_original_profile = lossless || !icc.isEmpty() ? JXL_TRUE : JXL_FALSE;
    bool ready = JxlEncoderSetParallelRunner(e, runOnPool, &runner) == JXL_ENC_SUCCESS
                 && JxlEncoderSetBasicInfo(e, &info) == JXL_ENC_SUCCESS;
    if (ready && !icc.isEmpty()
        && JxlEncoderSetICCProfile(e, reinterpret_cast<const std::uint8_t *>(icc.constData()), std::size_t(icc.size()))
               != JXL_ENC_SUCCESS) {
        *profileRefused = true;
        return QByteArray();
    }
    if (ready && icc.isEmpty()) {
        JxlColorEncoding srgb;
        JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
        ready = JxlEncoderSetColorEncoding(e, &srgb) == JXL_ENC_SUCCESS;
    }
    if (ready && (!exif.isEmpty() || !xmp.isEmpty()))
        ready = JxlEncoderUseBoxes(e) == JXL_ENC_SUCCESS;
    if (ready && !exif.isEmpty()) {
        const QByteArray box = QByteArray(4, '\0') + exif; // the TIFF header right after the offset
        ready = JxlEncoderAddBox(e, "Exif", reinterpret_cast<const std::uint8_t *>(box.constData()),
                                 std::size_t(box.size()), JXL_FALSE) == JXL_ENC_SUCCESS;
    }
    if (ready && !xmp.isEmpty())
        ready = JxlEncoderAddBox(e, "xml ", reinterpret_cast<const std::uint8_t *>(xmp.constData()), std::size_t(xmp.size()),
                                 JXL_FALSE) == JXL_ENC_SUCCESS;
    if (ready && (!exif.isEmpty() || !xmp.isEmpty()))
        JxlEncoderCloseBoxes(e);
    JxlEncoderFrameSettings *settings = ready ? JxlEncoderFrameSettingsCreate(e, nullptr) : nullptr;
    ready = settings != nullptr;
    if (ready && lossless)
        // Effort 3 of 9: a large photo in a few seconds, far smaller than PNG.
        ready = JxlEncoderSetFrameLossless(settings, JXL_TRUE) == JXL_ENC_SUCCESS
                && JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_EFFORT, 3) == JXL_ENC_SUCCESS;
    else if (ready)
        ready = JxlEncoderSetFrameDistance(settings, float(jxlDistanceOf(quality))) == JXL_ENC_SUCCESS;
    if (!ready)
        throw imageError(encodeFailure(e));
    {
        const std::vector<std::uint8_t> rgb = rgbRows(picture);
        const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
        if (JxlEncoderAddImageFrame(settings, &format, rgb.data(), rgb.size()) != JXL_ENC_SUCCESS) {
            if (runner.cancelled || cancelRequestedHere())
                throw operationCancelled{};
            throw imageError(encodeFailure(e));
        }
    }
    JxlEncoderCloseInput(e);

    QByteArray out(qsizetype(std::min<std::size_t>(std::size_t(picture.sizeInBytes()) / 4 + 4096, 64 << 20)), '\0');
    std::size_t used = 0;
    for (;;) {
        auto *next = reinterpret_cast<std::uint8_t *>(out.data()) + used;
        std::size_t left = std::size_t(out.size()) - used;
        const JxlEncoderStatus status = JxlEncoderProcessOutput(e, &next, &left);
        used = std::size_t(out.size()) - left;
        if (status == JXL_ENC_SUCCESS)
            break;
        if (status == JXL_ENC_NEED_MORE_OUTPUT) {
            out.resize(out.size() * 2);
            continue;
        }
        if (runner.cancelled || cancelRequestedHere())
            throw operationCancelled{};
        throw imageError(encodeFailure(e));
    }
    out.truncate(qsizetype(used));
    return out;
}

} // namespace

QByteArray encodeJxl(const QImage &picture, int quality, const pictureMetadata &metadata)
{
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        throw imageError(imageTexts::tr("JPEG XL として書き出す画像がありません。"));
    const QByteArray exif = metadata.exifPayload(), xmp = metadata.xmpPacket(), icc = metadata.iccProfile();
    // libjxl's encoder cannot stop part-way (a parallel step that fails ends the process): it runs
    // beside the save, which a cancel ends at once, and runs on to its end alone (abandonable.h).
    auto coded = std::make_shared<QByteArray>();
    auto profileRefused = std::make_shared<bool>(false);
    runAbandonable([picture, quality, exif, xmp, icc, coded, profileRefused] {
        const cancelScope unstoppable(nullptr);
        *coded = encodeWith(picture, quality, exif, xmp, icc, profileRefused.get());
        if (*profileRefused)
            *coded = encodeWith(picture, quality, exif, xmp, QByteArray(), profileRefused.get());
    });
    if (*profileRefused)
        // libjxl must understand a profile to code the colours it describes: one it cannot use
        // is left out, and the user is told.
        showMessage(imageTexts::tr("色プロファイルを JPEG XL ファイルに書き込めないため、色プロファイルなしで保存しました。"));
    return *coded;
}
