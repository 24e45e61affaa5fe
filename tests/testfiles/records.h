// Picture files and their metadata built byte by byte: TIFF records, JPEG segments, PNG chunks,
// the WebP container, XMP packets and colour profiles.
#pragma once
#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <vector>

#include "containers.h" // pngChunk


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
            for (const tableEntry &e : t)
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
            for (const tableEntry &e : tables[d]) {
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
    struct tableEntry {
        quint32 tag, type, count;
        QByteArray values;
        int directory, block;
        quint32 offset;
    };
    std::vector<std::vector<tableEntry>> tables;
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
