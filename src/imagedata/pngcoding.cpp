#include "pngcoding.h"
#include "imagedata/texts.h"

#include "decodedpicture.h"
#include "imageerror.h"
#include "jpegcoding.h"
#include "progress.h"
#include "workerpool.h"

#include <png.h>

#include <csetjmp>
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
constexpr long long deflateRatio = 1032;

// Reads the header and sets up the transformations to 8-bit blue, green, red, alpha.
bool readHeader(png_structp png, png_infop info, png_uint_32 *width, png_uint_32 *height, std::size_t *rawBytes)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    *rawBytes = (png_get_rowbytes(png, info) + 1) * std::size_t(*height);
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

void takeMetadata(png_structp png, png_infop info, pictureMetadata *metadata)
{
    png_uint_32 exifSize = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(png, info, &exifSize, &exif) && exif && exifSize > 0)
        metadata->addExifPayload(QByteArray(reinterpret_cast<const char *>(exif), qsizetype(exifSize)));
    png_textp texts = nullptr;
    int count = 0;
    png_get_text(png, info, &texts, &count);
    for (int i = 0; i < count; ++i)
        if (texts[i].key && std::strcmp(texts[i].key, "XML:com.adobe.xmp") == 0 && texts[i].text)
            metadata->addXmpPacket(QByteArray(texts[i].text, qsizetype(texts[i].itxt_length ? texts[i].itxt_length : texts[i].text_length)));
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 profileSize = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &profileSize) && profile && profileSize > 0)
        metadata->addIccProfile(QByteArray(reinterpret_cast<const char *>(profile), qsizetype(profileSize)));
}

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
    png_write_end(png, info);
    return pixelsWritten::done;
}

} // namespace

QImage decodePng(const QByteArray &bytes, const QString &what, pictureMetadata *metadata)
{
    pngSession session;
    session.input = &bytes;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &session, pngError, pngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        throw imageError(noMemoryText(what, 0, 0));
    }
    png_set_read_fn(png, &session, readBytes);
    png_set_chunk_malloc_max(png, 64u << 20); // text and profile chunks are inflated within this
    png_set_benign_errors(png, 1);
    png_uint_32 width = 0, height = 0;
    std::size_t rawBytes = 0;
    QImage picture;
    std::vector<png_bytep> rows;
    try {
        if (!readHeader(png, info, &width, &height, &rawBytes))
            throw imageError(unreadableText(what, "PNG", QString::fromLocal8Bit(session.message)));
        // The declared size against what the file's bytes can hold, before the pixels' memory.
        if (rawBytes / deflateRatio > std::size_t(bytes.size()))
            throw imageError(unreadableText(what, "PNG", QStringLiteral("the picture data is too short for %1 x %2 pixels").arg(width).arg(height)));
        picture = newDecodedPicture(width, height, what);
        rows.resize(height);
        for (png_uint_32 y = 0; y < height; ++y)
            rows[y] = picture.scanLine(int(y));
        const pixelsRead read = readPixels(png, info, rows.data(), height);
        if (read == pixelsRead::cancelled)
            throw operationCancelled{};
        if (read == pixelsRead::failed)
            throw imageError(unreadableText(what, "PNG", QString::fromLocal8Bit(session.message)));
        if (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA)
            for (png_uint_32 y = 0; y < height; ++y)
                bgraRowOverWhite(rows[y], int(width));
        if (metadata)
            takeMetadata(png, info, metadata);
    } catch (...) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw;
    }
    png_destroy_read_struct(&png, &info, nullptr);
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
