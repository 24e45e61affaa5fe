#include "jpegcoding.h"

#include "imageerror.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <sys/mman.h>
#include <utility>
#include <vector>

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

namespace {

// libjpeg glue. Errors leave libjpeg by longjmp back into the routine that set the jump; the
// routines between setjmp and the jump hold only trivially destructible locals.

struct jpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr cinfo)
{
    auto *manager = reinterpret_cast<jpegErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

// Warnings that mean the picture data is damaged (a decoder would otherwise fill the rest of
// the picture with grey and carry on) are treated as errors; harmless ones are ignored.
void jpegEmitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    switch (cinfo->err->msg_code) {
    case JWRN_ARITH_BAD_CODE:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_JPEG_EOF:
    case JWRN_MUST_RESYNC:
        jpegErrorExit(cinfo);
        break;
    default:
        cinfo->err->num_warnings++;
        break;
    }
}

void installErrorManager(jpegErrorManager &manager)
{
    jpeg_std_error(&manager.pub);
    manager.pub.error_exit = jpegErrorExit;
    manager.pub.emit_message = jpegEmitMessage;
    manager.message[0] = '\0';
}

// CMYK as stored by the encoder into RGB. Adobe writers store the inks inverted (255 = no ink),
// which is what nearly every CMYK JPEG holds; others store them plainly.
void cmykRowToBgrx(const std::uint8_t *cmyk, std::uint8_t *bgrx, int width, bool inverted)
{
    for (int c = 0; c < width; ++c) {
        int cy = cmyk[c * 4], ma = cmyk[c * 4 + 1], ye = cmyk[c * 4 + 2], k = cmyk[c * 4 + 3];
        if (!inverted) {
            cy = 255 - cy;
            ma = 255 - ma;
            ye = 255 - ye;
            k = 255 - k;
        }
        bgrx[c * 4] = static_cast<std::uint8_t>(ye * k / 255);
        bgrx[c * 4 + 1] = static_cast<std::uint8_t>(ma * k / 255);
        bgrx[c * 4 + 2] = static_cast<std::uint8_t>(cy * k / 255);
        bgrx[c * 4 + 3] = 0xFF;
    }
}

void releaseMapping(void *info)
{
    const auto *mapping = static_cast<std::pair<void *, std::size_t> *>(info);
    ::munmap(mapping->first, mapping->second);
    delete mapping;
}

// A new Format_RGB32 picture for the decoder (null when out of memory). Large ones are mapped
// with huge pages where the system allows it: a 24-megapixel picture then costs a few dozen page
// faults instead of twenty thousand, a good part of the decoding time.
QImage newPicture(int width, int height)
{
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
#if defined(MADV_HUGEPAGE)
    if (bytes >= (std::size_t(8) << 20)) {
        void *memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory != MAP_FAILED) {
            ::madvise(memory, bytes, MADV_HUGEPAGE);
            auto *mapping = new (std::nothrow) std::pair<void *, std::size_t>(memory, bytes);
            if (!mapping) {
                ::munmap(memory, bytes);
                return QImage();
            }
            QImage picture(static_cast<uchar *>(memory), width, height, static_cast<qsizetype>(width) * 4,
                           QImage::Format_RGB32, releaseMapping, mapping);
            if (picture.isNull())
                releaseMapping(mapping);
            return picture;
        }
    }
#endif
    return QImage(width, height, QImage::Format_RGB32);
}

// libjpeg's own working memory (a progressive picture keeps all its coefficients, two bytes each)
// is held to what the file's bytes can describe: every 8 x 8 block of every component costs at
// least one bit of a file, so 1024 bytes of memory per byte of file, and at least 256 MB, are
// always enough for a real picture. A small file declaring a huge picture is refused instead.
long libjpegMemoryFor(std::size_t fileSize)
{
    const unsigned long long limit = std::max<unsigned long long>(256ULL << 20, 1024ULL * fileSize + (64ULL << 20));
    return static_cast<long>(std::min<unsigned long long>(limit, static_cast<unsigned long long>(LONG_MAX)));
}

// A progressive file may hold any number of scans, each a walk over the whole picture: a small
// file of thousands of empty scans would take minutes. Real files have about ten.
constexpr int maximumScans = 500;

void watchScans(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    const auto *d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > maximumScans) {
        auto *manager = reinterpret_cast<jpegErrorManager *>(cinfo->err);
        std::snprintf(manager->message, sizeof manager->message, "more than %d scans", maximumScans);
        std::longjmp(manager->jump, 1);
    }
}

// The segments a picture's metadata may come from: APP1 (EXIF, XMP) and APP2 (ICC profile).
void saveMetadataMarkers(jpeg_decompress_struct *cinfo)
{
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(cinfo, JPEG_APP0 + 2, 0xFFFF);
}

void takeMetadata(jpeg_decompress_struct *cinfo, pictureMetadata *metadata)
{
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next)
        if (m->data_length == m->original_length)
            metadata->offer(m->marker, QByteArray(reinterpret_cast<const char *>(m->data), static_cast<qsizetype>(m->data_length)));
}

int orientationOf(jpeg_decompress_struct *cinfo)
{
    pictureMetadata metadata;
    takeMetadata(cinfo, &metadata);
    return metadata.orientation();
}

bool headerCore(jpeg_decompress_struct *cinfo, jpegErrorManager *manager, const unsigned char *data,
                unsigned long size)
{
    if (setjmp(manager->jump))
        return false;
    jpeg_mem_src(cinfo, data, size);
    saveMetadataMarkers(cinfo);
    jpeg_read_header(cinfo, TRUE);
    return true;
}

enum class decodeResult { done, libjpegError, tooLarge, noMemory, unsupported };

decodeResult decodeCore(jpeg_decompress_struct *cinfo, jpegErrorManager *manager, QImage *out,
                        std::vector<std::uint8_t> *cmykRow, const unsigned char *data,
                        unsigned long size, pictureMetadata *metadata)
{
    if (setjmp(manager->jump))
        return decodeResult::libjpegError;
    jpeg_mem_src(cinfo, data, size);
    saveMetadataMarkers(cinfo);
    jpeg_read_header(cinfo, TRUE);
    if (metadata)
        takeMetadata(cinfo, metadata);
    bool cmyk = false;
    switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        cinfo->out_color_space = JCS_EXT_BGRX;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo->out_color_space = JCS_CMYK;
        cmyk = true;
        break;
    default:
        return decodeResult::unsupported;
    }
    const long long pixels = static_cast<long long>(cinfo->image_width) * cinfo->image_height;
    if (pixels > largestPicture)
        return decodeResult::tooLarge;
    jpeg_start_decompress(cinfo);
    const int width = static_cast<int>(cinfo->output_width);
    const int height = static_cast<int>(cinfo->output_height);
    *out = newPicture(width, height);
    if (out->isNull())
        return decodeResult::noMemory;
    std::uint8_t *bits = out->bits();
    const qsizetype stride = out->bytesPerLine();
    if (cmyk) {
        cmykRow->resize(static_cast<std::size_t>(width) * 4);
        const bool inverted = cinfo->saw_Adobe_marker;
        while (cinfo->output_scanline < cinfo->output_height) {
            const int row = static_cast<int>(cinfo->output_scanline);
            JSAMPROW rows[1] = {cmykRow->data()};
            jpeg_read_scanlines(cinfo, rows, 1);
            cmykRowToBgrx(cmykRow->data(), bits + stride * row, width, inverted);
        }
    } else {
        JSAMPROW rows[16];
        while (cinfo->output_scanline < cinfo->output_height) {
            const int row = static_cast<int>(cinfo->output_scanline);
            const int count = std::min(16, height - row);
            for (int i = 0; i < count; ++i)
                rows[i] = bits + stride * (row + i);
            jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(count));
        }
    }
    jpeg_finish_decompress(cinfo);
    return decodeResult::done;
}

bool encodeCore(jpeg_compress_struct *cinfo, jpegErrorManager *manager, const QImage *picture,
                int quality, const std::vector<metadataSegment> *segments, unsigned char **buffer,
                unsigned long *size)
{
    if (setjmp(manager->jump))
        return false;
    jpeg_mem_dest(cinfo, buffer, size);
    cinfo->image_width = static_cast<JDIMENSION>(picture->width());
    cinfo->image_height = static_cast<JDIMENSION>(picture->height());
    cinfo->input_components = 4;
    cinfo->in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    for (const metadataSegment &s : *segments)
        if (s.payload.size() <= 65533)
            jpeg_write_marker(cinfo, s.marker, reinterpret_cast<const JOCTET *>(s.payload.constData()),
                              static_cast<unsigned>(s.payload.size()));
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW rows[1] = {const_cast<JSAMPLE *>(picture->constScanLine(static_cast<int>(cinfo->next_scanline)))};
        jpeg_write_scanlines(cinfo, rows, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

// Refuses an empty file, then sets up a decompressor that reports errors through manager.
void createDecompressor(jpeg_decompress_struct &cinfo, jpegErrorManager &manager, std::size_t size,
                        const QString &what)
{
    if (size == 0)
        throw imageError(QStringLiteral("%1 は空のファイルで、JPEG 画像が入っていません。").arg(what));
    installErrorManager(manager);
    cinfo.err = &manager.pub;
    jpeg_create_decompress(&cinfo);
}

} // namespace

QImage asRgb32(const QImage &bitmap)
{
    if (bitmap.format() == QImage::Format_RGB32)
        return bitmap;
    QImage converted = bitmap.convertToFormat(QImage::Format_RGB32);
    if (converted.isNull() && !bitmap.isNull())
        throw imageError(QStringLiteral("画像を変換するためのメモリが足りません。"));
    return converted;
}

// Decodes JPEG bytes into a new Format_RGB32 picture; `what` names the source in messages.
QImage decodeJpegBytes(const unsigned char *data, std::size_t size, const QString &what, pictureMetadata *metadata)
{
    jpeg_decompress_struct cinfo;
    jpegErrorManager manager;
    createDecompressor(cinfo, manager, size, what);
    cinfo.mem->max_memory_to_use = libjpegMemoryFor(size);
    jpeg_progress_mgr progress{};
    progress.progress_monitor = watchScans;
    cinfo.progress = &progress;
    QImage picture;
    std::vector<std::uint8_t> cmykRow;
    decodeResult result;
    try {
        result = decodeCore(&cinfo, &manager, &picture, &cmykRow, data, static_cast<unsigned long>(size), metadata);
    } catch (const std::bad_alloc &) {
        result = decodeResult::noMemory; // the CMYK row buffer
    }
    const long long width = cinfo.image_width, height = cinfo.image_height;
    jpeg_destroy_decompress(&cinfo);
    switch (result) {
    case decodeResult::done:
        return picture;
    case decodeResult::libjpegError:
        throw imageError(QStringLiteral("%1 を JPEG 画像として読み込めません: %2")
                             .arg(what, QString::fromLocal8Bit(manager.message)));
    case decodeResult::tooLarge:
        throw imageError(tooLargeText(what, width, height));
    case decodeResult::noMemory:
        throw imageError(noMemoryText(what, width, height));
    case decodeResult::unsupported:
        break;
    }
    throw imageError(QStringLiteral("%1 は開くことのできない色空間で保存されています。").arg(what));
}

QSize jpegHeaderSize(const unsigned char *data, std::size_t size, const QString &what, int &orientation)
{
    jpeg_decompress_struct cinfo;
    jpegErrorManager manager;
    createDecompressor(cinfo, manager, size, what);
    const bool read = headerCore(&cinfo, &manager, data, static_cast<unsigned long>(size));
    const QSize stored(static_cast<int>(std::min<JDIMENSION>(cinfo.image_width, JPEG_MAX_DIMENSION)),
                       static_cast<int>(std::min<JDIMENSION>(cinfo.image_height, JPEG_MAX_DIMENSION)));
    orientation = read ? orientationOf(&cinfo) : 1;
    jpeg_destroy_decompress(&cinfo);
    if (!read)
        throw imageError(QStringLiteral("%1 を JPEG 画像として読み込めません: %2")
                             .arg(what, QString::fromLocal8Bit(manager.message)));
    return stored;
}

QByteArray encodeJpegWith(const QImage &bitmap, int quality, const std::vector<metadataSegment> &segments)
{
    if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0)
        throw imageError(QStringLiteral("JPEG として書き出す画像がありません。"));
    if (bitmap.width() > JPEG_MAX_DIMENSION || bitmap.height() > JPEG_MAX_DIMENSION)
        throw imageError(QStringLiteral("画像が大きすぎて JPEG ファイルにできません（一辺 %1 画素まで）。")
                             .arg(JPEG_MAX_DIMENSION));
    const QImage picture = asRgb32(bitmap);
    quality = std::clamp(quality, 1, 100);
    jpeg_compress_struct cinfo;
    jpegErrorManager manager;
    installErrorManager(manager);
    cinfo.err = &manager.pub;
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    const bool done = encodeCore(&cinfo, &manager, &picture, quality, &segments, &buffer, &size);
    jpeg_destroy_compress(&cinfo);
    if (!done) {
        std::free(buffer);
        throw imageError(QStringLiteral("画像を JPEG に変換できません: %1")
                             .arg(QString::fromLocal8Bit(manager.message)));
    }
    QByteArray data(reinterpret_cast<const char *>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return data;
}

QString tooLargeText(const QString &what, long long width, long long height)
{
    // One pass over the text: a name holding "%1" stays the name.
    return QStringLiteral("%1 は大きすぎて開けません（%2 × %3 画素）。").arg(what, QString::number(width), QString::number(height));
}

QString noMemoryText(const QString &what, long long width, long long height)
{
    return QStringLiteral("%1 を開くためのメモリが足りません（%2 × %3 画素）。").arg(what, QString::number(width), QString::number(height));
}
