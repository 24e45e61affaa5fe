// Whole files for the tests: written and read back in one call, and picture files with their
// metadata built byte by byte (TIFF records, JPEG segments, PNG chunks, the WebP container).
#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <vector>

// Writes bytes as the whole file; false when it cannot be opened or written completely.
inline bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The whole file, or nothing when it cannot be opened.
inline QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// ---- JPEG files as cameras store them, and their stored blocks -----------------------------------
#include <QImage>
#include <csetjmp>
#include <cstdio> // before jpeglib.h, which uses FILE
#include <jpeglib.h>
#include <vector>

namespace testfiles_detail {
struct jpegFailure {
    jpeg_error_mgr manager;
    std::jmp_buf back;
};
inline void jumpBack(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<jpegFailure *>(info->err)->back, 1);
}
} // namespace testfiles_detail

// A baseline JPEG of the picture through libjpeg at quality, its chroma stored at half width and
// height (4:2:0) or whole (4:4:4); with inks, the four plain inks of a print shop's file (CMYK,
// no Adobe marker). Empty when libjpeg fails.
inline QByteArray cameraJpeg(const QImage &picture, int quality, bool subsampled, bool inks = false)
{
    QImage rgb = picture.convertToFormat(inks ? QImage::Format_RGBX8888 : QImage::Format_RGB888);
    if (inks)
        for (int y = 0; y < rgb.height(); ++y) {
            uchar *p = rgb.scanLine(y);
            for (int x = 0; x < rgb.width() * 4; x += 4) {
                p[x] = uchar(255 - p[x]), p[x + 1] = uchar(255 - p[x + 1]), p[x + 2] = uchar(255 - p[x + 2]);
                p[x + 3] = 0; // no black
            }
        }
    jpeg_compress_struct c{};
    testfiles_detail::jpegFailure failure{};
    c.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = testfiles_detail::jumpBack;
    unsigned char *out = nullptr;
    unsigned long size = 0;
    if (setjmp(failure.back)) {
        jpeg_destroy_compress(&c);
        std::free(out);
        return {};
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(rgb.width());
    c.image_height = JDIMENSION(rgb.height());
    c.input_components = inks ? 4 : 3;
    c.in_color_space = inks ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    c.write_Adobe_marker = FALSE;
    c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = subsampled ? 2 : 1;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(int(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

// The stored blocks of a JPEG file: per component its width and height in blocks and every
// block's 64 quantised coefficients (row by row, each block in natural order: vertical frequency
// times 8 plus horizontal). Empty when libjpeg cannot read it.
struct jpegBlocks {
    struct component {
        int wide = 0, high = 0;
        std::vector<short> values; // 64 a block
        const short *block(int bx, int by) const { return values.data() + (std::size_t(by) * wide + bx) * 64; }
    };
    std::vector<component> components;
};
inline jpegBlocks readJpegBlocks(const QByteArray &jpeg)
{
    jpeg_decompress_struct d{};
    testfiles_detail::jpegFailure failure{};
    d.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = testfiles_detail::jumpBack;
    jpegBlocks blocks;
    if (setjmp(failure.back)) {
        jpeg_destroy_decompress(&d);
        return {};
    }
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char *>(jpeg.constData()), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&d, TRUE);
    jvirt_barray_ptr *arrays = jpeg_read_coefficients(&d);
    for (int i = 0; i < d.num_components; ++i) {
        const jpeg_component_info &info = d.comp_info[i];
        jpegBlocks::component c;
        c.wide = int(info.width_in_blocks);
        c.high = int(info.height_in_blocks);
        for (int by = 0; by < c.high; ++by) {
            JBLOCKARRAY row = d.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&d), arrays[i], JDIMENSION(by), 1, FALSE);
            for (int bx = 0; bx < c.wide; ++bx) c.values.insert(c.values.end(), row[0][bx], row[0][bx] + 64);
        }
        blocks.components.push_back(std::move(c));
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return blocks;
}

// A little-endian camera record (the TIFF structure an EXIF block holds, without "Exif\0\0"):
// IFD0 with Make and Orientation.
inline QByteArray cameraRecord(const QByteArray &make, int orientation)
{
    QByteArray t("II\x2A\x00\x08\x00\x00\x00\x02\x00", 10);
    const auto entry = [&t](int tag, int type, int count, int value) {
        for (const int v : {tag & 0xFF, tag >> 8, type, 0, count & 0xFF, count >> 8, 0, 0, value & 0xFF, value >> 8, 0, 0})
            t += char(v);
    };
    entry(0x010F, 2, int(make.size()) + 1, 38); // after the two entries and the next-directory link
    entry(0x0112, 3, 1, orientation);
    t += QByteArray(4, '\0') + make + '\0';
    return t;
}

// ---- JPEG XL files made with libjxl's own encoder ----------------------------------------------
#include <jxl/encode.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct jxlLayout {
    int width = 0, height = 0;
    int bits = 8;           // 8 or 16 a sample
    bool grey = false;      // one colour channel instead of three
    bool alpha = false;     // an alpha channel after the colours
    float distance = 0;     // 0 lossless, else lossy at that Butteraugli distance
    int orientation = 1;    // the codestream's own
    QByteArray exif;        // a TIFF record, boxed after a four-byte offset of exifOffset
    int exifOffset = 0;     // bytes of filler between the offset and the record
    QByteArray xmp;         // an "xml " box
    int canvasWidth = 0, canvasHeight = 0; // a larger canvas the picture is a cropped frame of
    int hiddenFrames = 0;   // an animation: frames of 4 x 4 pixels and no duration before the picture
};

// The file of the layout; sample(x, y, c) is channel c (colours, then alpha) at x, y, 0..255 or
// 0..65535 by bits. Empty when libjxl refuses the layout.
inline QByteArray jxlFile(const jxlLayout &l, const std::function<std::uint32_t(int, int, int)> &sample)
{
    const std::unique_ptr<JxlEncoder, void (*)(JxlEncoder *)> owner(JxlEncoderCreate(nullptr), JxlEncoderDestroy);
    JxlEncoder *e = owner.get();
    const int colours = l.grey ? 1 : 3, channels = colours + (l.alpha ? 1 : 0), bytes = l.bits / 8;
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = std::uint32_t(l.canvasWidth ? l.canvasWidth : l.width);
    info.ysize = std::uint32_t(l.canvasHeight ? l.canvasHeight : l.height);
    info.bits_per_sample = std::uint32_t(l.bits);
    info.num_color_channels = std::uint32_t(colours);
    info.num_extra_channels = l.alpha ? 1 : 0;
    info.alpha_bits = l.alpha ? std::uint32_t(l.bits) : 0;
    info.orientation = JxlOrientation(l.orientation);
    info.uses_original_profile = l.distance == 0 ? JXL_TRUE : JXL_FALSE;
    info.have_animation = l.hiddenFrames > 0 ? JXL_TRUE : JXL_FALSE;
    info.animation.tps_numerator = 10;
    info.animation.tps_denominator = 1;
    if (JxlEncoderSetBasicInfo(e, &info) != JXL_ENC_SUCCESS)
        return {};
    JxlColorEncoding colour;
    JxlColorEncodingSetToSRGB(&colour, l.grey ? JXL_TRUE : JXL_FALSE);
    if (JxlEncoderSetColorEncoding(e, &colour) != JXL_ENC_SUCCESS)
        return {};
    if (!l.exif.isEmpty() || !l.xmp.isEmpty()) {
        JxlEncoderUseBoxes(e);
        if (!l.exif.isEmpty()) {
            const std::uint32_t o = std::uint32_t(l.exifOffset);
            const QByteArray box = QByteArray(1, char(o >> 24)) + char(o >> 16) + char(o >> 8) + char(o)
                                   + QByteArray(l.exifOffset, 'x') + l.exif;
            JxlEncoderAddBox(e, "Exif", reinterpret_cast<const std::uint8_t *>(box.constData()), std::size_t(box.size()), JXL_FALSE);
        }
        if (!l.xmp.isEmpty())
            JxlEncoderAddBox(e, "xml ", reinterpret_cast<const std::uint8_t *>(l.xmp.constData()), std::size_t(l.xmp.size()), JXL_TRUE);
        JxlEncoderCloseBoxes(e);
    }
    JxlEncoderFrameSettings *settings = JxlEncoderFrameSettingsCreate(e, nullptr);
    if (l.distance == 0)
        JxlEncoderSetFrameLossless(settings, JXL_TRUE);
    else
        JxlEncoderSetFrameDistance(settings, l.distance);
    const JxlPixelFormat format{std::uint32_t(channels), l.bits == 16 ? JXL_TYPE_UINT16 : JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    const auto frameOf = [&](int width, int height, std::uint32_t duration) {
        JxlFrameHeader frame;
        JxlEncoderInitFrameHeader(&frame);
        frame.duration = duration;
        frame.layer_info.have_crop = l.canvasWidth ? JXL_TRUE : JXL_FALSE;
        frame.layer_info.xsize = std::uint32_t(width);
        frame.layer_info.ysize = std::uint32_t(height);
        return (!l.canvasWidth && !l.hiddenFrames) || JxlEncoderSetFrameHeader(settings, &frame) == JXL_ENC_SUCCESS;
    };
    const std::vector<std::uint8_t> small(std::size_t(16) * channels * bytes, 0x55);
    for (int i = 0; i < l.hiddenFrames; ++i)
        if (!frameOf(4, 4, 0) || JxlEncoderAddImageFrame(settings, &format, small.data(), small.size()) != JXL_ENC_SUCCESS)
            return {};
    if (!frameOf(l.width, l.height, 1))
        return {};
    std::vector<std::uint8_t> pixels(std::size_t(l.width) * l.height * channels * bytes);
    for (int y = 0; y < l.height; ++y)
        for (int x = 0; x < l.width; ++x)
            for (int c = 0; c < channels; ++c) {
                const std::uint32_t v = sample(x, y, c);
                std::uint8_t *at = pixels.data() + ((std::size_t(y) * l.width + x) * channels + c) * bytes;
                if (bytes == 2)
                    *reinterpret_cast<std::uint16_t *>(at) = std::uint16_t(v);
                else
                    *at = std::uint8_t(v);
            }
    if (JxlEncoderAddImageFrame(settings, &format, pixels.data(), pixels.size()) != JXL_ENC_SUCCESS)
        return {};
    JxlEncoderCloseInput(e);
    QByteArray out(1 << 16, '\0');
    std::size_t used = 0;
    for (;;) {
        auto *next = reinterpret_cast<std::uint8_t *>(out.data()) + used;
        std::size_t left = std::size_t(out.size()) - used;
        const JxlEncoderStatus status = JxlEncoderProcessOutput(e, &next, &left);
        used = std::size_t(out.size()) - left;
        if (status == JXL_ENC_SUCCESS)
            break;
        if (status != JXL_ENC_NEED_MORE_OUTPUT)
            return {};
        out.resize(out.size() * 2);
    }
    out.truncate(qsizetype(used));
    return out;
}

// ---- Picture files and their metadata built byte by byte, for the readers' and writers' tests ----

namespace testfiles {

inline QByteArray little16(quint32 v) { QByteArray b(2, '\0'); qToLittleEndian(quint16(v), b.data()); return b; }
inline QByteArray little32(quint32 v) { QByteArray b(4, '\0'); qToLittleEndian(v, b.data()); return b; }
inline QByteArray big32(quint32 v) { QByteArray b(4, '\0'); qToBigEndian(v, b.data()); return b; }

// A little-endian TIFF record (an EXIF payload, or a whole TIFF file with data blocks after it):
// directories of entries, each table followed by its values longer than four bytes, in the order
// the entries are added (so a test can put them out of order). The first directory is at 8.
class tiffBuilder {
public:
    // Starts a directory; the entries added next go into it. Returns its index.
    int directory()
    {
        tables.emplace_back();
        return int(tables.size()) - 1;
    }
    // An entry with its values as stored (little-endian).
    void add(quint32 tag, quint32 type, quint32 count, const QByteArray &values) { tables.back().push_back({tag, type, count, values, -1, -1, 0}); }
    void addShort(quint32 tag, quint32 v) { add(tag, 3, 1, little16(v)); }
    void addLong(quint32 tag, quint32 v) { add(tag, 4, 1, little32(v)); }
    void addText(quint32 tag, const QByteArray &text) { add(tag, 2, quint32(text.size() + 1), text + '\0'); }
    void addRational(quint32 tag, quint32 numerator, quint32 denominator) { add(tag, 5, 1, little32(numerator) + little32(denominator)); }
    // A LONG pointing at another directory, at a data block, or at any offset (a hostile one).
    void addPointer(quint32 tag, int toDirectory) { tables.back().push_back({tag, 4, 1, {}, toDirectory, -1, 0}); }
    void addDataPointer(quint32 tag, const QByteArray &data)
    {
        blocks.push_back(data);
        tables.back().push_back({tag, 4, 1, {}, -1, int(blocks.size()) - 1, 0});
    }
    void addRawPointer(quint32 tag, quint32 offset) { addRaw(tag, 4, 1, offset); }
    // An entry whose values are said to lie at offset (anywhere: a hostile record).
    void addRaw(quint32 tag, quint32 type, quint32 count, quint32 offset) { tables.back().push_back({tag, type, count, {}, -1, -1, offset}); }
    // The directory after the current one (the next pointer at the end of its table).
    void nextDirectory(int toDirectory) { next.resize(tables.size(), -1); next.back() = toDirectory; }

    QByteArray bytes() const
    {
        std::vector<quint32> tableAt, blockAt;
        quint32 at = 8;
        for (const auto &t : tables) {
            tableAt.push_back(at);
            at += 2 + 12 * quint32(t.size()) + 4;
            for (const entry &e : t)
                if (e.values.size() > 4)
                    at += quint32(e.values.size() + (e.values.size() & 1));
        }
        for (const QByteArray &b : blocks) {
            blockAt.push_back(at);
            at += quint32(b.size() + (b.size() & 1));
        }
        QByteArray out = QByteArray("II\x2A\x00", 4) + little32(8);
        for (std::size_t d = 0; d < tables.size(); ++d) {
            QByteArray values;
            const quint32 valuesAt = tableAt[d] + 2 + 12 * quint32(tables[d].size()) + 4;
            out += little16(quint32(tables[d].size()));
            for (const entry &e : tables[d]) {
                out += little16(e.tag) + little16(e.type) + little32(e.count);
                if (e.directory >= 0) out += little32(tableAt[std::size_t(e.directory)]);
                else if (e.block >= 0) out += little32(blockAt[std::size_t(e.block)]);
                else if (e.values.isEmpty()) out += little32(e.offset);
                else if (e.values.size() <= 4) out += e.values + QByteArray(4 - e.values.size(), '\0');
                else {
                    out += little32(valuesAt + quint32(values.size()));
                    values += e.values + QByteArray(e.values.size() & 1, '\0');
                }
            }
            const int following = d < next.size() ? next[d] : -1;
            out += little32(following >= 0 ? tableAt[std::size_t(following)] : 0) + values;
        }
        for (const QByteArray &b : blocks)
            out += b + QByteArray(b.size() & 1, '\0');
        return out;
    }

private:
    struct entry {
        quint32 tag, type, count;
        QByteArray values;
        int directory, block;
        quint32 offset;
    };
    std::vector<std::vector<entry>> tables;
    std::vector<int> next;
    std::vector<QByteArray> blocks;
};

// A JPEG segment: its marker, its length, its payload.
inline QByteArray jpegSegment(int marker, const QByteArray &payload)
{
    return QByteArray(1, char(0xFF)) + char(marker) + char((payload.size() + 2) >> 8) + char((payload.size() + 2) & 0xFF) + payload;
}
// A JPEG file with the given segments put right after its start marker.
inline QByteArray jpegWithSegments(const QByteArray &jpeg, const QByteArray &segments) { return jpeg.left(2) + segments + jpeg.mid(2); }

// A PNG chunk: its length, its type, its data and their CRC-32.
inline QByteArray pngChunk(const char *type, const QByteArray &data)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    const QByteArray body = QByteArray(type, 4) + data;
    quint32 crc = 0xFFFFFFFFu;
    for (char c : body) crc = table[(crc ^ quint8(c)) & 0xFF] ^ (crc >> 8);
    return big32(quint32(data.size())) + body + big32(crc ^ 0xFFFFFFFFu);
}
// Bytes as a zlib stream.
inline QByteArray zlibStream(const QByteArray &bytes) { return qCompress(bytes).mid(4); }
// An 8-bit RGB PNG of width x height in one grey, with the given chunks before its picture data.
inline QByteArray pngFile(int width, int height, const QByteArray &chunks)
{
    const QByteArray header = big32(quint32(width)) + big32(quint32(height)) + QByteArray("\x08\x02\x00\x00\x00", 5);
    QByteArray rows;
    for (int y = 0; y < height; ++y) rows += '\0' + QByteArray(width * 3, char(0x80));
    return QByteArray("\x89PNG\r\n\x1A\n", 8) + pngChunk("IHDR", header) + chunks + pngChunk("IDAT", zlibStream(rows)) + pngChunk("IEND", {});
}
inline QByteArray pngXmpChunk(const QByteArray &packet) { return pngChunk("iTXt", QByteArray("XML:com.adobe.xmp\0\0\0\0\0", 22) + packet); }
inline QByteArray pngIccChunk(const QByteArray &profile) { return pngChunk("iCCP", QByteArray("ICC profile\0\0", 13) + zlibStream(profile)); }

// A WebP file of the picture of a plain one (its VP8 or VP8L chunk) in the extended container, with
// an ICCP, EXIF and "XMP " chunk each where given.
inline QByteArray webpWith(const QByteArray &plain, int width, int height, const QByteArray &icc, const QByteArray &exif, const QByteArray &xmp)
{
    const auto chunk = [](const char *type, const QByteArray &data) { return QByteArray(type, 4) + little32(quint32(data.size())) + data + QByteArray(data.size() & 1, '\0'); };
    const quint32 flags = (icc.isEmpty() ? 0 : 0x20) | (exif.isEmpty() ? 0 : 0x08) | (xmp.isEmpty() ? 0 : 0x04);
    QByteArray body = "WEBP" + chunk("VP8X", little32(flags) + little32(quint32(width - 1)).left(3) + little32(quint32(height - 1)).left(3));
    if (!icc.isEmpty()) body += chunk("ICCP", icc);
    body += plain.mid(12); // the picture's chunk
    if (!exif.isEmpty()) body += chunk("EXIF", exif);
    if (!xmp.isEmpty()) body += chunk("XMP ", xmp);
    return "RIFF" + little32(quint32(body.size())) + body;
}

// A small ICC display profile whose header holds together: RGB, one white point tag, 256 bytes,
// device manufacturer "KRVA" (so it is known again).
inline QByteArray smallRgbProfile()
{
    QByteArray p(256, '\0');
    const QByteArray d50("\x00\x00\xF6\xD6\x00\x01\x00\x00\x00\x00\xD3\x2D", 12);
    p.replace(0, 4, big32(256));
    p.replace(8, 4, QByteArray("\x02\x10\x00\x00", 4));
    p.replace(12, 4, "mntr");
    p.replace(16, 4, "RGB ");
    p.replace(20, 4, "XYZ ");
    p.replace(36, 4, "acsp");
    p.replace(48, 4, "KRVA");
    p.replace(68, 12, d50);
    p.replace(128, 16, big32(1) + "wtpt" + big32(144) + big32(20));
    p.replace(144, 4, "XYZ ");
    p.replace(152, 12, d50);
    for (int i = 164; i < 256; ++i) // filler (libpng turns down a profile that packs into a few bytes)
        p[i] = char(i * 7);
    return p;
}
// An APP2 payload holding chunk number of count of an ICC profile.
inline QByteArray iccChunkPayload(int number, int count, const QByteArray &data)
{
    return QByteArray("ICC_PROFILE\0", 12) + char(number) + char(count) + data;
}

// Extended XMP as JPEG APP1 payloads: the extension cut into chunks of at most chunk bytes, each
// with its GUID, the whole length and its offset.
inline std::vector<QByteArray> extendedXmpPayloads(const QByteArray &extension, const QByteArray &guid, qsizetype chunk = 65000)
{
    std::vector<QByteArray> out;
    for (qsizetype at = 0; at < extension.size(); at += chunk)
        out.push_back(QByteArray("http://ns.adobe.com/xmp/extension/\0", 35) + guid + big32(quint32(extension.size())) + big32(quint32(at))
                      + extension.mid(at, chunk));
    return out;
}

// An XMP packet of about size bytes (at least a few hundred) with a description of its own
// (dc:description: `text` and then letters up to the size).
inline QByteArray xmpPacketOf(qsizetype size, const QByteArray &text)
{
    const QByteArray head = "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                            "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
                            "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:description><rdf:Alt>"
                            "<rdf:li xml:lang=\"x-default\">" + text;
    const QByteArray tail = "</rdf:li></rdf:Alt></dc:description></rdf:Description></rdf:RDF></x:xmpmeta>\n<?xpacket end=\"w\"?>";
    return head + QByteArray(std::max<qsizetype>(0, size - head.size() - tail.size()), 'k') + tail;
}

} // namespace testfiles
