// Files built byte by byte around coded data: hostile PNG, TIFF, ISO media (HEIF) and WebP
// headers for the readers' budgets.
#pragma once
#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <vector>


#include <QList>
#include <QtEndian>
#include <zlib.h>

#include <utility>
#include <vector>

inline QByteArray bigEndian(quint32 value, int bytes)
{
    QByteArray b;
    for (int i = bytes - 1; i >= 0; --i)
        b += char(value >> (8 * i) & 0xFF);
    return b;
}

inline quint32 readBigEndian(const QByteArray &b, qsizetype at, int bytes)
{
    quint32 v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | quint8(b[at + i]);
    return v;
}

// A zlib stream of `count` zero bytes, deflated piece by piece (a large picture costs no memory).
inline QByteArray zlibOfZeros(qint64 count)
{
    z_stream z{};
    deflateInit(&z, Z_BEST_COMPRESSION);
    static const std::vector<unsigned char> zeros(1 << 20, 0);
    QByteArray out;
    std::vector<unsigned char> buffer(1 << 16);
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        const qint64 piece = std::min<qint64>(count, qint64(zeros.size()));
        z.next_in = const_cast<unsigned char *>(zeros.data());
        z.avail_in = uInt(piece);
        count -= piece;
        do {
            z.next_out = buffer.data();
            z.avail_out = uInt(buffer.size());
            status = deflate(&z, count > 0 ? Z_NO_FLUSH : Z_FINISH);
            out.append(reinterpret_cast<const char *>(buffer.data()), qsizetype(buffer.size() - z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return out;
}

// ---- PNG

inline QByteArray pngChunk(const char *type, const QByteArray &data)
{
    const QByteArray typed = QByteArray(type, 4) + data;
    const uLong sum = crc32(0, reinterpret_cast<const Bytef *>(typed.constData()), uInt(typed.size()));
    return bigEndian(quint32(data.size()), 4) + typed + bigEndian(quint32(sum), 4);
}

// A PNG of width x height whose pixels are all zero (palette colour 0, black), correctly deflated
// (Adam7 passes when interlaced), with `chunks` before the picture data and its deflated data cut
// to `keep` bytes when keep >= 0.
inline QByteArray pngOfZeros(quint32 width, quint32 height, int depth, int colourType, bool interlaced,
                             qint64 keep = -1, const QByteArray &chunks = QByteArray())
{
    const int channels = colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
    const auto rowBytes = [&](qint64 w) { return (w * channels * depth + 7) / 8; };
    qint64 raw = 0;
    if (!interlaced) {
        raw = (rowBytes(width) + 1) * height;
    } else {
        static const int pass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
        for (const auto &p : pass) {
            const qint64 w = (qint64(width) - p[0] + p[2] - 1) / p[2], h = (qint64(height) - p[1] + p[3] - 1) / p[3];
            if (w > 0 && h > 0)
                raw += (rowBytes(w) + 1) * h;
        }
    }
    QByteArray header = bigEndian(width, 4) + bigEndian(height, 4);
    header += char(depth);
    header += char(colourType);
    header += QByteArray(2, '\0');
    header += char(interlaced ? 1 : 0);
    QByteArray file = QByteArray("\x89PNG\r\n\x1A\n", 8) + pngChunk("IHDR", header);
    if (colourType == 3)
        file += pngChunk("PLTE", QByteArray("\x10\x20\x30\xF0\xE0\xD0", 6));
    file += chunks;
    QByteArray data = zlibOfZeros(raw);
    if (keep >= 0)
        data.truncate(keep);
    for (qsizetype at = 0; at < data.size(); at += 1 << 16) // several IDAT chunks, as writers make them
        file += pngChunk("IDAT", data.mid(at, 1 << 16));
    return file + pngChunk("IEND", QByteArray());
}

// ---- TIFF (little-endian, one directory)

struct tiffField {
    quint16 tag, type; // 1 BYTE, 2 ASCII, 3 SHORT, 4 LONG
    std::vector<quint32> values;
};

// The directory after the header and `data`; values that do not fit in an entry follow it. The
// offsets of strips and tiles are given from the start of data.
inline QByteArray tiffFile(std::vector<tiffField> fields, const QByteArray &data)
{
    const quint32 ifd = quint32(8 + data.size() + (data.size() & 1));
    const auto size = [](quint16 type) { return type == 3 ? 2 : type == 4 ? 4 : 1; };
    const auto put = [](QByteArray &b, quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b += char(v >> (8 * i) & 0xFF);
    };
    for (tiffField &f : fields)
        if (f.tag == 273 || f.tag == 324)
            for (quint32 &v : f.values)
                v += 8;
    QByteArray file("II*\0", 4), entries, extra;
    put(file, ifd, 4);
    file += data;
    if (data.size() & 1)
        file += '\0';
    const quint32 extraAt = ifd + 2 + 12 * quint32(fields.size()) + 4;
    put(entries, quint32(fields.size()), 2);
    for (const tiffField &f : fields) {
        put(entries, f.tag, 2);
        put(entries, f.type, 2);
        put(entries, quint32(f.values.size()), 4);
        QByteArray values;
        for (quint32 v : f.values)
            put(values, v, size(f.type));
        if (values.size() <= 4) {
            entries += values + QByteArray(4 - values.size(), '\0');
        } else {
            put(entries, extraAt + quint32(extra.size()), 4);
            extra += values + QByteArray(values.size() & 1, '\0');
        }
    }
    put(entries, 0, 4);
    return file + entries + extra;
}

// A TIFF of width x height, `samples` samples of `bits` each (photometric as given), in strips
// (or one tile of tileSide), holding `data` as its coded bytes, which the strip says are
// `declared` long (data.size() when 0).
inline QByteArray tiffImage(quint32 width, quint32 height, int samples, int bits, int photometric, int compression,
                              const QByteArray &data, quint32 declared = 0, quint32 tileSide = 0,
                              std::vector<tiffField> more = {})
{
    std::vector<tiffField> f = {{256, 4, {width}}, {257, 4, {height}}, {258, 3, std::vector<quint32>(std::size_t(samples), quint32(bits))},
                                {259, 3, {quint32(compression)}}, {262, 3, {quint32(photometric)}}, {277, 3, {quint32(samples)}}};
    const quint32 count = declared ? declared : quint32(data.size());
    if (tileSide)
        f.insert(f.end(), {{322, 4, {tileSide}}, {323, 4, {tileSide}}, {324, 4, {0}}, {325, 4, {count}}});
    else
        f.insert(f.end(), {{273, 4, {0}}, {278, 4, {height}}, {279, 4, {count}}});
    f.insert(f.end(), more.begin(), more.end());
    std::sort(f.begin(), f.end(), [](const tiffField &a, const tiffField &b) { return a.tag < b.tag; });
    return tiffFile(f, data);
}

// ---- ISO media (HEIF)

inline QByteArray box(const char *type, const QByteArray &content)
{
    return bigEndian(quint32(8 + content.size()), 4) + type + content;
}

inline QByteArray fullBox(const char *type, int version, int flags, const QByteArray &content)
{
    return box(type, bigEndian(quint32(version) << 24 | quint32(flags), 4) + content);
}

// The whole box found along path (meta's boxes start after its version word).
inline QByteArray findBox(const QByteArray &file, const QList<QByteArray> &path, qsizetype from = 0, qsizetype to = -1)
{
    to = to < 0 ? file.size() : to;
    for (qsizetype at = from; at + 8 <= to;) {
        const qsizetype end = at + readBigEndian(file, at, 4);
        if (file.mid(at + 4, 4) == path.first())
            return path.size() == 1 ? file.mid(at, end - at)
                                    : findBox(file, path.mid(1), at + (path.first() == "meta" ? 12 : 8), end);
        at = end;
    }
    return QByteArray();
}

// A HEIC whose primary picture is a grid of rows x columns copies of the one picture in `tile`
// (a file from heif-enc: its hvcC and its coded data), as phones write their photos. The grid and
// its tiles declare the sides given, whatever the tile holds.
inline QByteArray heicGrid(const QByteArray &tile, int rows, int columns, int side)
{
    const QByteArray hvcC = findBox(tile, {"meta", "iprp", "ipco", "hvcC"}), iloc = findBox(tile, {"meta", "iloc"});
    // heif-enc writes iloc version 0 with 4-byte offsets, lengths and base offset, one extent.
    const quint32 base = readBigEndian(iloc, 20, 4), offset = readBigEndian(iloc, 26, 4), length = readBigEndian(iloc, 30, 4);
    const QByteArray coded = tile.mid(base + offset, length);
    const int tiles = rows * columns, grid = tiles + 1;
    QByteArray infe, dimg = bigEndian(quint32(grid), 2) + bigEndian(quint32(tiles), 2), ipma;
    for (int i = 1; i <= tiles; ++i) {
        infe += fullBox("infe", 2, 1, bigEndian(quint32(i), 2) + bigEndian(0, 2) + "hvc1" + QByteArray(1, '\0'));
        dimg += bigEndian(quint32(i), 2);
        ipma += bigEndian(quint32(i), 2) + bigEndian(2, 1) + bigEndian(0x81, 1) + bigEndian(2, 1);
    }
    infe += fullBox("infe", 2, 0, bigEndian(quint32(grid), 2) + bigEndian(0, 2) + "grid" + QByteArray(1, '\0'));
    ipma += bigEndian(quint32(grid), 2) + bigEndian(1, 1) + bigEndian(3, 1);
    const QByteArray gridData = bigEndian(0, 2) + bigEndian(quint32(rows - 1), 1) + bigEndian(quint32(columns - 1), 1)
                                + bigEndian(quint32(side * columns), 2) + bigEndian(quint32(side * rows), 2);
    const QByteArray ftyp = box("ftyp", QByteArray("heic") + bigEndian(0, 4) + "mif1heic");
    const auto meta = [&](quint32 data) {
        QByteArray extents;
        for (int i = 1; i <= grid; ++i) {
            const quint32 size = quint32(i == grid ? gridData.size() : coded.size());
            extents += bigEndian(quint32(i), 2) + bigEndian(0, 2) + bigEndian(1, 2) + bigEndian(data, 4) + bigEndian(size, 4);
            data += size;
        }
        const QByteArray ispe = fullBox("ispe", 0, 0, bigEndian(quint32(side), 4) + bigEndian(quint32(side), 4));
        const QByteArray gridIspe = fullBox("ispe", 0, 0, bigEndian(quint32(side * columns), 4) + bigEndian(quint32(side * rows), 4));
        return fullBox("meta", 0, 0,
                       fullBox("hdlr", 0, 0, bigEndian(0, 4) + "pict" + QByteArray(13, '\0'))
                           + fullBox("pitm", 0, 0, bigEndian(quint32(grid), 2))
                           + fullBox("iloc", 0, 0, bigEndian(0x4400, 2) + bigEndian(quint32(grid), 2) + extents)
                           + fullBox("iinf", 0, 0, bigEndian(quint32(grid), 2) + infe)
                           + fullBox("iref", 0, 0, box("dimg", dimg))
                           + box("iprp", box("ipco", hvcC + ispe + gridIspe)
                                             + fullBox("ipma", 0, 0, bigEndian(quint32(grid), 4) + ipma)));
    };
    const quint32 data = quint32(ftyp.size() + meta(0).size() + 8);
    return ftyp + meta(data) + box("mdat", coded.repeated(tiles) + gridData);
}

// ---- WebP

#include <webp/encode.h>
#include <webp/mux.h>

// A lossless WebP of one colour whose header declares width x height (at most 16384 each): a
// small picture coded by libwebp, its sides then changed. One colour costs no bits a pixel, so
// the bytes decode to any size.
inline QByteArray webpLosslessDeclaring(int width, int height)
{
    const std::vector<uint8_t> pixels(8 * 8 * 4, 0x80);
    uint8_t *coded = nullptr;
    const std::size_t size = WebPEncodeLosslessBGRA(pixels.data(), 8, 8, 8 * 4, &coded);
    QByteArray file(reinterpret_cast<const char *>(coded), qsizetype(size));
    WebPFree(coded);
    if (file.mid(12, 4) != "VP8L")
        return QByteArray();
    quint32 bits = qFromLittleEndian<quint32>(file.constData() + 21);
    bits = (bits & ~0x0FFFFFFFu) | quint32(width - 1) | quint32(height - 1) << 14;
    qToLittleEndian<quint32>(bits, file.data() + 21);
    return file;
}

// An animation of one frame of 1 x 1 pixel on a canvas of width x height.
inline QByteArray webpAnimationCanvas(int width, int height)
{
    const uint8_t pixel[4] = {10, 20, 30, 255};
    uint8_t *coded = nullptr;
    const std::size_t size = WebPEncodeLosslessBGRA(pixel, 1, 1, 4, &coded);
    WebPMux *mux = WebPMuxNew();
    WebPMuxFrameInfo frame{};
    frame.bitstream = {coded, size};
    frame.id = WEBP_CHUNK_ANMF;
    frame.duration = 100;
    WebPMuxAnimParams animation{0xFFFFFFFF, 0};
    WebPData assembled{nullptr, 0};
    QByteArray file;
    if (WebPMuxPushFrame(mux, &frame, 1) == WEBP_MUX_OK && WebPMuxSetAnimationParams(mux, &animation) == WEBP_MUX_OK
        && WebPMuxSetCanvasSize(mux, width, height) == WEBP_MUX_OK && WebPMuxAssemble(mux, &assembled) == WEBP_MUX_OK)
        file = QByteArray(reinterpret_cast<const char *>(assembled.bytes), qsizetype(assembled.size));
    WebPDataClear(&assembled);
    WebPMuxDelete(mux);
    WebPFree(coded);
    return file;
}
