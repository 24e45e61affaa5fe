#include "jpegcoding.h"
#include "imagedata/texts.h"

#include "imageerror.h"
#include "progress.h"
#include "quarterturns.h"
#include "workerpool.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
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

// What decoding may cost besides the bitmap is held to the budget of reading the file
// (readingMemoryFor): libjpeg's own working memory, where a file of several scans keeps all its
// coefficients (two bytes each, at least two bytes a pixel), gets what the bitmap leaves, plus a
// little for its row buffers.
long libjpegMemoryFor(std::size_t fileSize, long long pixels)
{
    const unsigned long long limit = readingMemoryFor(fileSize) - 4ULL * static_cast<unsigned long long>(pixels) + (16ULL << 20);
    return static_cast<long>(std::min<unsigned long long>(limit, static_cast<unsigned long long>(LONG_MAX)));
}

// A file of several scans walks over the blocks of the picture once per scan; a small file of
// thousands of empty scans (or of a few over a huge, arithmetic-coded picture, whose data may run
// out without complaint) would take minutes. The blocks all scans visit are counted as the scans
// come and held to a budget from the file's size: a real photo of ten or twenty scans takes a
// small part of it. Real files also never have more than a few dozen scans.
constexpr int maximumScans = 500;
constexpr unsigned long long scanWorkFloor = 32ULL << 20; // blocks, about a second of decoding
constexpr unsigned long long scanWorkPerFileByte = 64;
constexpr unsigned long long scanWorkPerScan = 64;

unsigned long long scanWorkFor(std::size_t fileSize)
{
    return std::max(scanWorkFloor, scanWorkPerFileByte * std::min<unsigned long long>(fileSize, 1ULL << 40));
}

struct scanWatch {
    jpeg_progress_mgr pub;
    int scan = 0;                   // the last scan counted
    unsigned long long work = 0;    // blocks of the scans so far
    unsigned long long budget = 0;
    bool exceeded = false;
};

void watchScans(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    const auto *d = reinterpret_cast<j_decompress_ptr>(cinfo);
    auto *watch = reinterpret_cast<scanWatch *>(cinfo->progress);
    if (d->input_scan_number == watch->scan)
        return;
    watch->scan = d->input_scan_number;
    watch->work += static_cast<unsigned long long>(d->MCUs_per_row) * d->MCU_rows_in_scan * d->blocks_in_MCU
                   + scanWorkPerScan;
    if (watch->scan > maximumScans || watch->work > watch->budget) {
        watch->exceeded = true;
        std::longjmp(reinterpret_cast<jpegErrorManager *>(cinfo->err)->jump, 1);
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

enum class decodeResult { done, libjpegError, tooLarge, tooLargeForFile, noMemory, unsupported, cancelled };

// The declared picture against the pixel limit and what the file can describe.
decodeResult checkDeclaredSize(const jpeg_decompress_struct *cinfo, std::size_t fileSize)
{
    const long long pixels = static_cast<long long>(cinfo->image_width) * cinfo->image_height;
    if (pixels > maxPicturePixels)
        return decodeResult::tooLarge;
    if (!bitmapFitsFile(pixels, fileSize))
        return decodeResult::tooLargeForFile;
    return decodeResult::done;
}

// Row buffers of the decoder, made outside the routine that holds the jump.
struct decodeBuffers {
    std::vector<std::uint8_t> cmyk; // rows as libjpeg gives CMYK
    std::vector<quint32> band;      // rows on their way to a turned or mirrored place
};

constexpr int bandRows = 16;

decodeResult decodeCore(jpeg_decompress_struct *cinfo, jpegErrorManager *manager, QImage *out,
                        decodeBuffers *buffers, const unsigned char *data, unsigned long size,
                        pictureMetadata *metadata, bool upright)
{
    if (setjmp(manager->jump))
        return decodeResult::libjpegError;
    jpeg_mem_src(cinfo, data, size);
    saveMetadataMarkers(cinfo);
    jpeg_read_header(cinfo, TRUE);
    if (metadata)
        takeMetadata(cinfo, metadata);
    const int orientation = upright ? orientationOf(cinfo) : 1;
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
    const decodeResult declared = checkDeclaredSize(cinfo, size);
    if (declared != decodeResult::done)
        return declared;
    cinfo->mem->max_memory_to_use = libjpegMemoryFor(size, static_cast<long long>(cinfo->image_width) * cinfo->image_height);
    jpeg_start_decompress(cinfo);
    const int width = static_cast<int>(cinfo->output_width);
    const int height = static_cast<int>(cinfo->output_height);
    const bool turned = orientation >= 5 && orientation <= 8;
    *out = turned ? newPicture(height, width) : newPicture(width, height);
    if (out->isNull())
        return decodeResult::noMemory;
    if (!cmyk && (orientation < 2 || orientation > 8)) {
        // Straight into the picture.
        std::uint8_t *bits = out->bits();
        const qsizetype stride = out->bytesPerLine();
        JSAMPROW rows[bandRows];
        while (cinfo->output_scanline < cinfo->output_height) {
            if (cancelRequestedHere()) // an open the user stopped (中止)
                return decodeResult::cancelled;
            const int row = static_cast<int>(cinfo->output_scanline);
            const int count = std::min(bandRows, height - row);
            for (int i = 0; i < count; ++i)
                rows[i] = bits + stride * (row + i);
            jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(count));
        }
    } else {
        // A band of rows at a time, converted from CMYK where needed and put where the
        // orientation shows it.
        const std::size_t rowPixels = static_cast<std::size_t>(width);
        buffers->band.resize(rowPixels * bandRows);
        if (cmyk)
            buffers->cmyk.resize(rowPixels * 4 * bandRows);
        const bool inverted = cinfo->saw_Adobe_marker;
        JSAMPROW rows[bandRows];
        while (cinfo->output_scanline < cinfo->output_height) {
            if (cancelRequestedHere())
                return decodeResult::cancelled;
            const int row = static_cast<int>(cinfo->output_scanline);
            const int count = std::min(bandRows, height - row);
            for (int i = 0; i < count; ++i)
                rows[i] = cmyk ? buffers->cmyk.data() + rowPixels * 4 * i
                               : reinterpret_cast<JSAMPROW>(buffers->band.data() + rowPixels * i);
            const int got = static_cast<int>(jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(count)));
            if (cmyk)
                for (int i = 0; i < got; ++i)
                    cmykRowToBgrx(rows[i], reinterpret_cast<std::uint8_t *>(buffers->band.data() + rowPixels * i), width, inverted);
            placeRows(*out, buffers->band.data(), width, width, height, row, got, orientationTurn(orientation));
        }
    }
    jpeg_finish_decompress(cinfo);
    return decodeResult::done;
}

// The coded bytes go into a QByteArray of the caller's, a block at a time, so that the memory has
// one owner however the encode ends: libjpeg's own memory destination, once it has grown its
// buffer, leaves the caller's pointer at the block it freed, and an encode stopped part-way (a
// cancel, an error) then freed that block a second time.
struct jpegByteDestination {
    jpeg_destination_mgr pub;
    QByteArray *out = nullptr;
    JOCTET block[1 << 16];
};

void startBlock(j_compress_ptr cinfo)
{
    auto *d = reinterpret_cast<jpegByteDestination *>(cinfo->dest);
    d->pub.next_output_byte = d->block;
    d->pub.free_in_buffer = sizeof d->block;
}

// Keeps the first `count` bytes of the block; the memory's failure leaves through libjpeg's error
// exit (no C++ exception passes through libjpeg).
void keepBlock(j_compress_ptr cinfo, std::size_t count)
{
    auto *d = reinterpret_cast<jpegByteDestination *>(cinfo->dest);
    bool kept = true;
    try {
        d->out->append(reinterpret_cast<const char *>(d->block), qsizetype(count));
    } catch (...) {
        kept = false;
    }
    if (!kept)
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
}

boolean blockFull(j_compress_ptr cinfo)
{
    keepBlock(cinfo, sizeof reinterpret_cast<jpegByteDestination *>(cinfo->dest)->block);
    startBlock(cinfo);
    return TRUE;
}

void lastBlock(j_compress_ptr cinfo)
{
    auto *d = reinterpret_cast<jpegByteDestination *>(cinfo->dest);
    keepBlock(cinfo, sizeof d->block - d->pub.free_in_buffer);
}

bool encodeCore(jpeg_compress_struct *cinfo, jpegErrorManager *manager, const QImage *picture,
                int quality, const std::vector<metadataSegment> *segments, jpegByteDestination *destination)
{
    if (setjmp(manager->jump))
        return false;
    destination->pub.init_destination = startBlock;
    destination->pub.empty_output_buffer = blockFull;
    destination->pub.term_destination = lastBlock;
    cinfo->dest = &destination->pub;
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
        if (cinfo->next_scanline % 16 == 0 && cancelRequestedHere()) // a save the user stopped
            return false;
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
        throw imageError(imageTexts::tr("%1 は空のファイルで、JPEG 画像が入っていません。").arg(what));
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
        throw imageError(imageTexts::tr("画像を変換するためのメモリが足りません。"));
    return converted;
}

namespace {

QString unreadableText(const QString &what, const QString &why)
{
    return imageTexts::tr("%1 を JPEG 画像として読み込めません: %2").arg(what, why);
}

// The bitmap beyond the budget of reading a file of fileSize bytes (readingMemoryFor).
QString tooLargeForFileText(const QString &what, long long width, long long height, std::size_t fileSize)
{
    return budgetText(what, width, height, 4ULL * static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height),
                      readingMemoryFor(fileSize));
}

// Decodes JPEG bytes into a new Format_RGB32 picture, as stored or (upright) as its EXIF
// orientation shows it; `what` names the source in messages.
QImage decodeJpeg(const unsigned char *data, std::size_t size, const QString &what, pictureMetadata *metadata,
                  bool upright)
{
    jpeg_decompress_struct cinfo;
    jpegErrorManager manager;
    createDecompressor(cinfo, manager, size, what);
    scanWatch watch{};
    watch.pub.progress_monitor = watchScans;
    watch.budget = scanWorkFor(size);
    cinfo.progress = &watch.pub;
    QImage picture;
    decodeBuffers buffers;
    decodeResult result;
    try {
        result = decodeCore(&cinfo, &manager, &picture, &buffers, data, static_cast<unsigned long>(size), metadata, upright);
    } catch (const std::bad_alloc &) {
        result = decodeResult::noMemory; // the row buffers
    }
    const long long width = cinfo.image_width, height = cinfo.image_height;
    const int code = manager.pub.msg_code;
    jpeg_destroy_decompress(&cinfo);
    if (result == decodeResult::libjpegError && !watch.exceeded && (code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY))
        result = decodeResult::noMemory; // libjpeg's share of the memory is used up
    switch (result) {
    case decodeResult::done:
        return picture;
    case decodeResult::libjpegError:
        if (watch.exceeded)
            throw imageError(unreadableText(what, imageTexts::tr("走査（スキャン）が多すぎます（%1 × %2 画素で %3 回目の走査）。")
                                                      .arg(width).arg(height).arg(watch.scan)));
        throw imageError(unreadableText(what, QString::fromLocal8Bit(manager.message)));
    case decodeResult::tooLarge:
        throw imageError(tooLargeText(what, width, height));
    case decodeResult::tooLargeForFile:
        throw imageError(tooLargeForFileText(what, width, height, size));
    case decodeResult::noMemory:
        throw imageError(noMemoryText(what, width, height));
    case decodeResult::unsupported:
        break;
    case decodeResult::cancelled:
        throw operationCancelled{};
    }
    throw imageError(imageTexts::tr("%1 は開くことのできない色空間で保存されています。").arg(what));
}

} // namespace

QImage decodeJpegBytes(const unsigned char *data, std::size_t size, const QString &what, pictureMetadata *metadata)
{
    return decodeJpeg(data, size, what, metadata, false);
}

QImage decodeJpegUpright(const unsigned char *data, std::size_t size, const QString &what, pictureMetadata *metadata)
{
    return decodeJpeg(data, size, what, metadata, true);
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
    const decodeResult declared = read ? checkDeclaredSize(&cinfo, size) : decodeResult::done;
    const long long width = cinfo.image_width, height = cinfo.image_height;
    jpeg_destroy_decompress(&cinfo);
    if (!read)
        throw imageError(unreadableText(what, QString::fromLocal8Bit(manager.message)));
    if (declared == decodeResult::tooLarge)
        throw imageError(tooLargeText(what, width, height));
    if (declared == decodeResult::tooLargeForFile)
        throw imageError(tooLargeForFileText(what, width, height, size));
    return stored;
}

QByteArray encodeJpegWith(const QImage &bitmap, int quality, const std::vector<metadataSegment> &segments)
{
    if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0)
        throw imageError(imageTexts::tr("JPEG として書き出す画像がありません。"));
    if (bitmap.width() > JPEG_MAX_DIMENSION || bitmap.height() > JPEG_MAX_DIMENSION)
        throw imageError(imageTexts::tr("画像が大きすぎて JPEG ファイルにできません（一辺 %1 画素まで）。")
                             .arg(JPEG_MAX_DIMENSION));
    const QImage picture = asRgb32(bitmap);
    quality = std::clamp(quality, 1, 100);
    jpeg_compress_struct cinfo;
    jpegErrorManager manager;
    installErrorManager(manager);
    cinfo.err = &manager.pub;
    jpeg_create_compress(&cinfo);
    QByteArray data;
    const auto destination = std::make_unique<jpegByteDestination>();
    destination->out = &data;
    const bool done = encodeCore(&cinfo, &manager, &picture, quality, &segments, destination.get());
    jpeg_destroy_compress(&cinfo);
    if (!done) {
        if (cancelRequestedHere()) throw operationCancelled{};
        throw imageError(imageTexts::tr("画像を JPEG に変換できません: %1")
                             .arg(QString::fromLocal8Bit(manager.message)));
    }
    return data;
}

QString tooLargeText(const QString &what, long long width, long long height)
{
    // One pass over the text: a name holding "%1" stays the name.
    return imageTexts::tr("%1 は大きすぎて開けません（%2 × %3 画素）。").arg(what, QString::number(width), QString::number(height));
}

QString noMemoryText(const QString &what, long long width, long long height)
{
    return imageTexts::tr("%1 を開くためのメモリが足りません（%2 × %3 画素）。").arg(what, QString::number(width), QString::number(height));
}
