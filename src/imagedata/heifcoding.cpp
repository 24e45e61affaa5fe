#include "heifcoding.h"

#include "abandonable.h"
#include "decodedpicture.h"
#include "heifsizes.h"
#include "imageerror.h"
#include "jpegcoding.h"
#include "progress.h"
#include "workerpool.h"

#include <libheif/heif.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct contextFree {
    void operator()(heif_context *c) const { heif_context_free(c); }
};
struct handleFree {
    void operator()(heif_image_handle *h) const { heif_image_handle_release(h); }
};
struct imageFree {
    void operator()(heif_image *i) const { heif_image_release(i); }
};

// The file's bytes as libheif's reader. libheif reads an item's coded data just before it decodes
// it (each tile of a grid, the alpha picture after the colours), asking first whether the file
// reaches that far: once the open is cancelled (中止) the answer is no, and the decode ends there
// with an error, which decodeHeif turns into the cancel. Nothing is thrown through libheif, and
// no read is refused (libheif takes a read after that answer for granted). The tiles of a grid
// are decoded on libheif's own threads, which ask the calling thread's cancel.
struct heifBytes {
    const QByteArray *bytes = nullptr;
    const progressIndicator *cancel = cancelInForce();
    std::int64_t at = 0;
    std::atomic<bool> cancelled{false};

    bool stopHere()
    {
        if (!cancelled.load() && cancel && cancel->cancelled())
            cancelled.store(true);
        return cancelled.load();
    }
};

std::int64_t heifPosition(void *user)
{
    return static_cast<heifBytes *>(user)->at;
}

int heifRead(void *into, std::size_t size, void *user)
{
    auto *b = static_cast<heifBytes *>(user);
    if (size > std::size_t(b->bytes->size() - b->at))
        return 1;
    if (size > 0) // libheif asks for nothing at times, into no buffer
        std::memcpy(into, b->bytes->constData() + b->at, size);
    b->at += std::int64_t(size);
    return 0;
}

int heifSeek(std::int64_t position, void *user)
{
    auto *b = static_cast<heifBytes *>(user);
    if (position < 0 || position > b->bytes->size())
        return 1;
    b->at = position;
    return 0;
}

heif_reader_grow_status heifGrow(std::int64_t size, void *user)
{
    auto *b = static_cast<heifBytes *>(user);
    return b->stopHere() || size > b->bytes->size() ? heif_reader_grow_status_size_beyond_eof
                                                    : heif_reader_grow_status_size_reached;
}

const heif_reader heifMemoryReader{1, heifPosition, heifRead, heifSeek, heifGrow};

// A grid of coded tiles can describe a large picture in few bytes; a photograph never packs more
// than this many pixels into one byte of its file.
constexpr long long pixelsPerByte = 16384;

void check(const heif_error &error, const QString &what, heifBytes &input)
{
    if (input.stopHere())
        throw operationCancelled{};
    if (error.code != heif_error_Ok)
        throw imageError(unreadableText(what, "HEIF", QString::fromUtf8(error.message ? error.message : "")));
}

QByteArray metadataBlock(heif_image_handle *handle, heif_item_id id)
{
    QByteArray block(qsizetype(heif_image_handle_get_metadata_size(handle, id)), Qt::Uninitialized);
    if (block.isEmpty() || heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok)
        return QByteArray();
    return block;
}

void takeMetadata(heif_image_handle *handle, pictureMetadata *metadata)
{
    const int count = heif_image_handle_get_number_of_metadata_blocks(handle, nullptr);
    std::vector<heif_item_id> ids(std::size_t(std::max(count, 0)));
    heif_image_handle_get_list_of_metadata_block_IDs(handle, nullptr, ids.data(), count);
    for (heif_item_id id : ids) {
        const char *type = heif_image_handle_get_metadata_type(handle, id);
        const char *content = heif_image_handle_get_metadata_content_type(handle, id);
        if (type && std::strcmp(type, "Exif") == 0) {
            // Four bytes (big-endian) give where the TIFF record starts after them.
            const QByteArray block = metadataBlock(handle, id);
            if (block.size() < 4)
                continue;
            const auto *b = reinterpret_cast<const unsigned char *>(block.constData());
            const quint32 skip = quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | b[3];
            if (skip <= quint32(block.size() - 4))
                metadata->addExifPayload(block.mid(4 + qsizetype(skip)));
        } else if (type && std::strcmp(type, "mime") == 0 && content && std::strcmp(content, "application/rdf+xml") == 0) {
            metadata->addXmpPacket(metadataBlock(handle, id));
        }
    }
    const heif_color_profile_type profile = heif_image_handle_get_color_profile_type(handle);
    if (profile == heif_color_profile_type_prof || profile == heif_color_profile_type_rICC) {
        QByteArray icc(qsizetype(heif_image_handle_get_raw_color_profile_size(handle)), Qt::Uninitialized);
        if (!icc.isEmpty() && heif_image_handle_get_raw_color_profile(handle, icc.data()).code == heif_error_Ok)
            metadata->addIccProfile(icc);
    }
}

// The memory a decode of the primary picture of width x height holds besides this reader's bitmap,
// at its peak: libheif's interleaved picture (four bytes a pixel, six or eight deeper than 8 bits)
// beside the bitmap, or deeper still beside its coded planes; and the largest picture an item or a
// coded stream declares (heifsizes.h) where it is larger than the picture (a grid's tiles that
// reach beyond it, a stream coded larger than its container says), decoded on its own.
unsigned long long decodingMemory(long long width, long long height, bool alpha, bool deep, unsigned long long largestItem)
{
    const unsigned long long pixels = static_cast<unsigned long long>(width) * height;
    const unsigned long long planes = (3 + (alpha ? 1 : 0)) * (deep ? 2 : 1);
    // (A coded size a little larger than the picture is only its coding blocks' padding.)
    const unsigned long long tiles = largestItem > pixels + pixels / 8 ? std::min<unsigned long long>(largestItem, 1ULL << 40) * planes : 0;
    return pixels * (deep ? (alpha ? 12 : 8) : 4) + tiles;
}

// The file's primary picture, its size checked: the pixel limit, what the file's bytes can
// describe, and the decode's memory (or only the picture's, for the header) within the budget.
struct heifPrimary {
    std::unique_ptr<heif_context, contextFree> context;
    std::unique_ptr<heif_image_handle, handleFree> handle;
    long long width = 0, height = 0;
    bool alpha = false, deep = false;
};

heifPrimary openPrimary(const QByteArray &bytes, const QString &what, heifBytes &input, const readingBudget &budget)
{
    heifPrimary primary;
    primary.context.reset(heif_context_alloc());
    if (!primary.context)
        throw imageError(noMemoryText(what, 0, 0));
    check(heif_context_read_from_reader(primary.context.get(), &heifMemoryReader, &input, nullptr), what, input);
    heif_image_handle *rawHandle = nullptr;
    check(heif_context_get_primary_image_handle(primary.context.get(), &rawHandle), what, input);
    primary.handle.reset(rawHandle);
    const long long width = heif_image_handle_get_width(rawHandle), height = heif_image_handle_get_height(rawHandle);
    checkPictureSize(width, height, what);
    if (width * height / pixelsPerByte > bytes.size())
        throw imageError(tooShortText(what, "HEIF", width, height));
    primary.width = width;
    primary.height = height;
    primary.alpha = heif_image_handle_has_alpha_channel(rawHandle);
    primary.deep = heif_image_handle_get_luma_bits_per_pixel(rawHandle) > 8;
    budget.require(bitmapBytes(width, height) + decodingMemory(width, height, primary.alpha, primary.deep, largestDeclaredPixels(bytes)),
                   width, height);
    return primary;
}

QImage decodeHeifHere(const QByteArray &bytes, const QString &what, pictureMetadata *metadata)
{
    readingBudget budget(std::size_t(bytes.size()), what);
    heifBytes input;
    input.bytes = &bytes;
    const heifPrimary primary = openPrimary(bytes, what, input, budget);
    const auto &handle = primary.handle;
    budget.take(decodingMemory(primary.width, primary.height, primary.alpha, primary.deep, largestDeclaredPixels(bytes)),
                primary.width, primary.height);

    const bool alpha = primary.alpha, deep = primary.deep;
    // 8-bit pictures come as red, green, blue, alpha (opaque where there is none): one 32-bit
    // swap of red and blue per pixel then gives the picture's layout.
    const heif_chroma chroma = deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                    : heif_chroma_interleaved_RGBA;
    heif_image *rawImage = nullptr;
    const heif_error decoded = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, chroma, nullptr);
    const std::unique_ptr<heif_image, imageFree> image(rawImage);
    check(decoded, what, input);
    int stride = 0;
    const std::uint8_t *plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int w = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int h = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!plane)
        throw imageError(unreadableText(what, "HEIF", QStringLiteral("no picture data")));
    // A coded picture of another size than its container declares is damaged (and what the
    // budget and korvia-batch info were told would not be what opens).
    if (w != primary.width || h != primary.height)
        throw imageError(unreadableText(what, "HEIF", QStringLiteral("the coded picture is %1 x %2 pixels, the file declares %3 x %4")
                                                          .arg(QString::number(w), QString::number(h), QString::number(primary.width),
                                                               QString::number(primary.height))));
    QImage picture = newDecodedPicture(w, h, what, budget);
    const int channels = alpha || !deep ? 4 : 3;
    const int bits = deep ? heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) : 8;
    const std::uint32_t top = (1u << bits) - 1;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t *from = plane + std::size_t(y) * std::size_t(stride);
        std::uint8_t *to = picture.scanLine(y);
        if (!deep) {
            auto *out = reinterpret_cast<std::uint32_t *>(to);
            const std::uint32_t opaque = alpha ? 0 : 0xFF000000u;
            for (int x = 0; x < w; ++x) {
                std::uint32_t v; // read little-endian: alpha, blue, green, red from the top
                std::memcpy(&v, from + 4 * x, 4);
                out[x] = (v & 0xFF00FF00u) | (v >> 16 & 0xFFu) | (v & 0xFFu) << 16 | opaque;
            }
        } else {
            for (int x = 0; x < w; ++x, to += 4) {
                std::uint32_t v[4] = {0, 0, 0, top};
                for (int c = 0; c < channels; ++c, from += 2)
                    v[c] = std::min(std::uint32_t(from[0] | from[1] << 8), top);
                to[0] = std::uint8_t((v[2] * 255 + top / 2) / top);
                to[1] = std::uint8_t((v[1] * 255 + top / 2) / top);
                to[2] = std::uint8_t((v[0] * 255 + top / 2) / top);
                to[3] = std::uint8_t((v[3] * 255 + top / 2) / top);
            }
        }
        if (alpha)
            bgraRowOverWhite(picture.scanLine(y), w);
    }
    if (metadata)
        takeMetadata(handle.get(), metadata);
    return picture;
}

} // namespace

pictureHeader readHeifHeader(const QByteArray &bytes, const QString &what, pictureMetadata *metadata)
{
    const readingBudget budget(std::size_t(bytes.size()), what);
    heifBytes input;
    input.bytes = &bytes;
    const heifPrimary primary = openPrimary(bytes, what, input, budget);
    if (metadata)
        takeMetadata(primary.handle.get(), metadata);
    pictureHeader header;
    header.width = primary.width;
    header.height = primary.height;
    return header; // the container's turns are in the size already
}

QImage decodeHeif(const QByteArray &bytes, const QString &what, pictureMetadata *metadata)
{
    // A picture coded in one piece is decoded by one libheif call that asks nothing on its way:
    // the decode runs beside the open, which a cancel ends at once (abandonable.h).
    struct decodedHeif {
        QImage picture;
        pictureMetadata metadata;
    };
    auto result = std::make_shared<decodedHeif>();
    const bool wanted = metadata != nullptr;
    runAbandonable([bytes, what, result, wanted] {
        result->picture = decodeHeifHere(bytes, what, wanted ? &result->metadata : nullptr);
    });
    if (metadata)
        metadata->segments.insert(metadata->segments.end(), result->metadata.segments.begin(),
                                  result->metadata.segments.end());
    return std::move(result->picture);
}
