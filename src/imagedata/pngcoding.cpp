#include "pngcoding.h"
#include "imagedata/texts.h"

#include "decodedpicture.h"
#include "imageerror.h"
#include "jpegcoding.h"
#include "progress.h"
#include "workerpool.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// libpng leaves by longjmp on errors; the routines between setjmp and the jump hold only
// trivially destructible locals, and everything that owns memory lives in the caller.
struct pngSession {
    const QByteArray *input = nullptr;
    qsizetype readAt = 0;
    QByteArray *output = nullptr;
    char message[200] = {};
};

void pngError(png_structp png, png_const_charp text)
{
    auto *session = static_cast<pngSession *>(png_get_error_ptr(png));
    std::strncpy(session->message, text, sizeof session->message - 1);
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

void readBytes(png_structp png, png_bytep into, png_size_t count)
{
    auto *session = static_cast<pngSession *>(png_get_io_ptr(png));
    if (count > std::size_t(session->input->size() - session->readAt))
        png_error(png, "the file ends early");
    std::memcpy(into, session->input->constData() + session->readAt, count);
    session->readAt += qsizetype(count);
}

void writeBytes(png_structp png, png_bytep from, png_size_t count)
{
    auto *session = static_cast<pngSession *>(png_get_io_ptr(png));
    session->output->append(reinterpret_cast<const char *>(from), qsizetype(count));
}

void flushNothing(png_structp) {}

// deflate turns one byte into at most 1032: a file cannot describe more picture data than that.
constexpr unsigned long long deflateRatio = 1032;
// libpng's own cap for one chunk's inflated data; a record beyond it is dropped, as libpng does.
constexpr std::size_t chunkLimit = std::size_t(64) << 20;

// libpng's memory, counted against the reading's budget: each block carries its size in front.
constexpr std::size_t blockHead = 16;

png_voidp budgetMalloc(png_structp png, png_alloc_size_t size)
{
    auto *budget = static_cast<readingBudget *>(png_get_mem_ptr(png));
    if (size > SIZE_MAX - blockHead || !budget->tryTake(size + blockHead))
        return nullptr;
    auto *block = static_cast<unsigned char *>(std::malloc(size + blockHead));
    if (!block) {
        budget->give(size + blockHead);
        return nullptr;
    }
    const std::size_t whole = size + blockHead;
    std::memcpy(block, &whole, sizeof whole);
    return block + blockHead;
}

void budgetFree(png_structp png, png_voidp memory)
{
    if (!memory)
        return;
    auto *block = static_cast<unsigned char *>(memory) - blockHead;
    std::size_t whole = 0;
    std::memcpy(&whole, block, sizeof whole);
    static_cast<readingBudget *>(png_get_mem_ptr(png))->give(whole);
    std::free(block);
}

quint32 big32(const unsigned char *p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

// A zlib stream inflated into at most `limit` bytes; empty when it is damaged or longer.
// produced receives the bytes inflated, whatever the outcome.
QByteArray inflated(const unsigned char *data, std::size_t size, std::size_t limit, std::size_t &produced)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return QByteArray();
    QByteArray out;
    z.next_in = const_cast<unsigned char *>(data);
    z.avail_in = uInt(size);
    int status = Z_OK;
    while (status == Z_OK) {
        const std::size_t at = std::size_t(out.size());
        const std::size_t room = std::min<std::size_t>(std::max<std::size_t>(at, 4096), limit - at);
        if (room == 0)
            break;
        out.resize(qsizetype(at + room));
        z.next_out = reinterpret_cast<unsigned char *>(out.data()) + at;
        z.avail_out = uInt(room);
        status = inflate(&z, Z_NO_FLUSH);
        out.resize(qsizetype(at + room - z.avail_out));
        if (status == Z_BUF_ERROR && z.avail_in == 0)
            break;
    }
    inflateEnd(&z);
    produced = std::size_t(out.size());
    return status == Z_STREAM_END ? out : QByteArray();
}

// What the chunks beside the pixels hold, found without libpng (which skips them, see
// readInfo), wherever they lie, before or after the picture data: the picture data's bytes, the
// first valid camera record (eXIf) and the XMP packets (text chunks "XML:com.adobe.xmp", tEXt,
// zTXt or iTXt), in file order. A chunk whose check sum is wrong is left out, as libpng leaves it.
// An inflated packet counts against the budget.
struct pngChunks {
    unsigned long long pictureData = 0;
    std::size_t inflated = 0; // bytes of compressed packets inflated so far
    QByteArray exif;
    std::vector<QByteArray> xmp;
};

void walkChunks(const QByteArray &bytes, pngChunks &found, readingBudget &budget, long long width, long long height)
{
    static const QByteArray xmpKey = QByteArrayLiteral("XML:com.adobe.xmp");
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.constData());
    const std::size_t size = std::size_t(bytes.size());
    for (std::size_t at = 8; at + 12 <= size;) {
        const std::size_t length = big32(b + at);
        const unsigned char *type = b + at + 4, *data = b + at + 8;
        const bool whole = length <= size - at - 12;
        const std::size_t present = whole ? length : size - at - 8;
        if (std::memcmp(type, "IDAT", 4) == 0)
            found.pictureData += present;
        if (!whole || std::memcmp(type, "IEND", 4) == 0)
            break;
        at += 12 + length;
        const bool text = std::memcmp(type, "tEXt", 4) == 0 || std::memcmp(type, "zTXt", 4) == 0
                          || std::memcmp(type, "iTXt", 4) == 0;
        const bool exif = std::memcmp(type, "eXIf", 4) == 0 && found.exif.isEmpty() && length >= 2;
        if (!text && !exif)
            continue;
        if (text && (length <= std::size_t(xmpKey.size()) || std::memcmp(data, xmpKey.constData(), std::size_t(xmpKey.size())) != 0
                     || data[xmpKey.size()] != 0))
            continue;
        if (big32(data + length) != quint32(crc32(crc32(0, type, 4), data, uInt(length))))
            continue;
        if (exif) {
            if ((data[0] == 'M' && data[1] == 'M') || (data[0] == 'I' && data[1] == 'I'))
                found.exif = QByteArray(reinterpret_cast<const char *>(data), qsizetype(length));
            continue;
        }
        const unsigned char *rest = data + xmpKey.size() + 1, *end = data + length;
        // The end of a NUL-ended field starting at p (end where there is no NUL).
        const auto fieldEnd = [end](const unsigned char *p) {
            const void *nul = std::memchr(p, 0, std::size_t(end - p));
            return nul ? static_cast<const unsigned char *>(nul) : end;
        };
        bool compressed = type[0] == 'z';
        if (type[0] == 't') {
            end = fieldEnd(rest); // Latin-1 text, to its first NUL
        } else if (type[0] == 'z') {
            rest = std::min(rest + 1, end); // the compression method
        } else { // iTXt: compression flag and method, language and translated keyword
            if (end - rest < 2)
                continue;
            compressed = rest[0] != 0;
            rest += 2;
            for (int field = 0; field < 2 && rest < end; ++field)
                rest = std::min(fieldEnd(rest) + 1, end);
        }
        QByteArray packet;
        if (!compressed) {
            packet = QByteArray(reinterpret_cast<const char *>(rest), qsizetype(end - rest));
            budget.take(std::size_t(packet.size()), width, height);
        } else {
            // Every inflated byte counts, also of a packet then dropped, and all packets together
            // inflate to no more than one chunk may (libpng's cap): forty packets just under it
            // cost no more than one. Packets beyond that are dropped.
            if (found.inflated >= chunkLimit)
                continue;
            const unsigned long long left = budget.total() - std::min(budget.total(), budget.used());
            std::size_t produced = 0;
            packet = inflated(rest, std::size_t(end - rest),
                              std::size_t(std::min<unsigned long long>(chunkLimit - found.inflated, left + 1)), produced);
            found.inflated += produced;
            budget.take(produced, width, height);
        }
        if (!packet.isEmpty())
            found.xmp.push_back(packet);
    }
}

// The header: the size, libpng's checks of the chunks before the picture data, and its colour
// profile. libpng skips the text chunks and the camera record without keeping them (walkChunks
// reads them).
bool readInfo(png_structp png, png_infop info)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    static const png_byte skipped[] = "tEXt\0zTXt\0iTXt\0eXIf";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, skipped, 4);
    png_read_info(png, info);
    return true;
}

// Sets up the transformations to 8-bit blue, green, red, alpha.
bool setTransformations(png_structp png, png_infop info)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    const int colour = png_get_color_type(png, info);
    png_set_scale_16(png); // rounds, where png_set_strip_16 would cut
    png_set_packing(png);
    if (colour == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER); // no effect where there is alpha already
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

enum class pixelsRead { done, failed, cancelled };

// Row by row (every pass of an interlaced file), so that an open the user stops (中止) ends
// within 16 rows.
pixelsRead readPixels(png_structp png, png_infop info, png_bytepp rows, png_uint_32 height)
{
    if (setjmp(png_jmpbuf(png)))
        return pixelsRead::failed;
    const int passes = png_get_interlace_type(png, info) == PNG_INTERLACE_ADAM7 ? 7 : 1;
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) {
            if (y % 16 == 0 && cancelRequestedHere())
                return pixelsRead::cancelled;
            png_read_row(png, rows[y], nullptr);
        }
    png_read_end(png, info);
    return pixelsRead::done;
}

// One reading of a PNG file, its libpng memory within the budget.
class pngReading {
public:
    pngReading(const QByteArray &bytes, const QString &what, readingBudget &budget) : what(what), budget(budget)
    {
        session.input = &bytes;
        png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &session, pngError, pngWarning, &budget, budgetMalloc,
                                       budgetFree);
        info = png ? png_create_info_struct(png) : nullptr;
        if (!info) {
            png_destroy_read_struct(&png, nullptr, nullptr);
            throw imageError(noMemoryText(what, 0, 0));
        }
        png_set_read_fn(png, &session, readBytes);
        png_set_chunk_malloc_max(png, chunkLimit); // the colour profile is inflated within this
        png_set_benign_errors(png, 1);
    }
    ~pngReading() { png_destroy_read_struct(&png, &info, nullptr); }
    pngReading(const pngReading &) = delete;
    pngReading &operator=(const pngReading &) = delete;

    // libpng's failure: the budget's when libpng's memory ran out of it.
    imageError failure() const
    {
        if (budget.exceeded())
            return imageError(budget.text(width, height, budget.total() + 1));
        return imageError(unreadableText(what, "PNG", QString::fromLocal8Bit(session.message)));
    }

    // The header and every check of the declared size, the records into metadata.
    pictureHeader header(const QByteArray &bytes, pictureMetadata &metadata, unsigned long long extra)
    {
        if (!readInfo(png, info))
            throw failure();
        width = png_get_image_width(png, info);
        height = png_get_image_height(png, info);
        checkPictureSize(width, height, what);
        pngChunks chunks;
        walkChunks(bytes, chunks, budget, width, height);
        // The declared size against what the picture data can hold, before any memory for it.
        const unsigned long long raw = (png_get_rowbytes(png, info) + 1ULL) * static_cast<unsigned long long>(height);
        if (raw / deflateRatio > chunks.pictureData)
            throw imageError(tooShortText(what, "PNG", width, height));
        budget.require(bitmapBytes(width, height) + extra, width, height);
        metadata.addExifPayload(chunks.exif);
        for (const QByteArray &packet : chunks.xmp)
            metadata.addXmpPacket(packet);
        png_charp name = nullptr;
        int compression = 0;
        png_bytep profile = nullptr;
        png_uint_32 profileSize = 0;
        if (png_get_iCCP(png, info, &name, &compression, &profile, &profileSize) && profile && profileSize > 0)
            metadata.addIccProfile(QByteArray(reinterpret_cast<const char *>(profile), qsizetype(profileSize)));
        pictureHeader header;
        header.width = width;
        header.height = height;
        header.orientation = metadata.orientation();
        return header;
    }

    pngSession session;
    png_structp png = nullptr;
    png_infop info = nullptr;
    QString what;
    readingBudget &budget;
    long long width = 0, height = 0;
};
enum class pixelsWritten { done, failed, cancelled };

// Row by row, so that a save the user stops (中止) ends within 16 rows.
pixelsWritten writeCore(png_structp png, png_infop info, const QImage *picture, const QByteArray *exif,
                        const QByteArray *xmp, const QByteArray *icc)
{
    if (setjmp(png_jmpbuf(png)))
        return pixelsWritten::failed;
    png_set_IHDR(png, info, png_uint_32(picture->width()), png_uint_32(picture->height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!icc->isEmpty())
        png_set_iCCP(png, info, "ICC profile", PNG_COMPRESSION_TYPE_BASE,
                     reinterpret_cast<png_const_bytep>(icc->constData()), png_uint_32(icc->size()));
    if (!exif->isEmpty())
        png_set_eXIf_1(png, info, png_uint_32(exif->size()), reinterpret_cast<png_bytep>(const_cast<char *>(exif->constData())));
    png_text text{};
    if (!xmp->isEmpty()) {
        text.compression = PNG_ITXT_COMPRESSION_NONE;
        text.key = const_cast<char *>("XML:com.adobe.xmp");
        text.text = const_cast<char *>(xmp->constData());
        text.itxt_length = std::size_t(xmp->size());
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER); // the fourth byte of each pixel is not written
    for (int y = 0; y < picture->height(); ++y) {
        if (y % 16 == 0 && cancelRequestedHere())
            return pixelsWritten::cancelled;
        png_write_row(png, picture->constScanLine(y));
    }
    png_write_end(png, nullptr); // every chunk went before the pixels: given info, libpng writes eXIf again
    return pixelsWritten::done;
}

} // namespace

pictureHeader readPngHeader(const QByteArray &bytes, const QString &what, pictureMetadata *metadata)
{
    readingBudget budget(std::size_t(bytes.size()), what);
    pngReading reading(bytes, what, budget);
    pictureMetadata read;
    const pictureHeader header = reading.header(bytes, read, 0);
    if (metadata)
        *metadata = std::move(read);
    return header;
}

QImage decodePng(const QByteArray &bytes, const QString &what, pictureMetadata *metadata)
{
    readingBudget budget(std::size_t(bytes.size()), what);
    pngReading reading(bytes, what, budget);
    pictureMetadata read;
    const pictureHeader header = reading.header(bytes, read, sizeof(png_bytep) * std::size_t(reading.height));
    std::vector<png_bytep> rows;
    budget.take(sizeof(png_bytep) * std::size_t(header.height), header.width, header.height);
    QImage picture = newDecodedPicture(header.width, header.height, what, budget);
    if (!setTransformations(reading.png, reading.info))
        throw reading.failure();
    const png_uint_32 height = png_uint_32(header.height);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = picture.scanLine(int(y));
    const pixelsRead done = readPixels(reading.png, reading.info, rows.data(), height);
    if (done == pixelsRead::cancelled)
        throw operationCancelled{};
    if (done == pixelsRead::failed)
        throw reading.failure();
    if (png_get_color_type(reading.png, reading.info) & PNG_COLOR_MASK_ALPHA)
        for (png_uint_32 y = 0; y < height; ++y)
            bgraRowOverWhite(rows[y], int(header.width));
    if (metadata)
        *metadata = std::move(read);
    return picture;
}

QByteArray encodePng(const QImage &picture, const pictureMetadata &metadata)
{
    QByteArray out;
    pngSession session;
    session.output = &out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &session, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw imageError(imageTexts::tr("画像を PNG に変換するためのメモリが足りません。"));
    }
    png_set_write_fn(png, &session, writeBytes, flushNothing);
    png_set_benign_errors(png, 1);
    const QByteArray exif = metadata.exifPayload(), xmp = metadata.xmpPacket(), icc = metadata.iccProfile();
    const pixelsWritten written = writeCore(png, info, &picture, &exif, &xmp, &icc);
    png_destroy_write_struct(&png, &info);
    if (written == pixelsWritten::cancelled)
        throw operationCancelled{};
    if (written == pixelsWritten::failed)
        throw imageError(imageTexts::tr("画像を PNG に変換できません: %1").arg(QString::fromLocal8Bit(session.message)));
    return out;
}
