#include "bmpcoding.h"
#include "imagedata/texts.h"

#include "imageerror.h"
#include "jpegcoding.h"
#include "picturelimits.h"
#include "progress.h"
#include "safewrite.h"
#include "workerpool.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

quint32 le32(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(b.constData()) + at;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint32 le16(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(b.constData()) + at;
    return quint32(p[0] | p[1] << 8);
}

// One colour channel of a 16- or 32-bit pixel: where its bits are and how many there are.
struct channel {
    quint32 mask = 0;
    int shift = 0, bits = 0;

    explicit channel(quint32 m = 0) : mask(m)
    {
        if (m) {
            shift = std::countr_zero(m);
            bits = 32 - std::countl_zero(m) - shift;
        }
    }
    // The channel as 8 bits: wider ones keep their high bits, narrower ones repeat theirs
    // (5 bits v -> v << 3 | v >> 2), so all ones becomes 255.
    quint32 of(quint32 pixel) const
    {
        const quint32 v = (pixel & mask) >> shift;
        if (bits >= 8)
            return v >> (bits - 8);
        if (bits == 0)
            return 0;
        quint32 out = v;
        int have = bits;
        while (have < 8) {
            out = out << bits | v;
            have += bits;
        }
        return (out >> (have - 8)) & 0xFF;
    }
};

struct bmpInfo {
    long long width = 0, height = 0;
    bool topDown = false;
    int bitCount = 0;
    quint32 compression = 0;
    qsizetype offBits = 0;
    channel red, green, blue; // 16 and 32 bits
    std::vector<QRgb> palette; // 256 entries for 1..8 bits, black where the file has none
};

// Reads the headers and checks that the file's bytes can describe the declared picture.
bmpInfo readHeaders(const QByteArray &bytes, const QString &what)
{
    const auto refuse = [&](const QString &why) {
        return imageError(imageTexts::tr("%1 を BMP ファイルとして読み込めません: %2").arg(what, why));
    };
    const QString cutOff = imageTexts::tr("ファイルが途中で切れています。");
    if (bytes.size() < 18 || bytes[0] != 'B' || bytes[1] != 'M')
        throw refuse(imageTexts::tr("ファイルヘッダーがありません。"));
    bmpInfo info;
    info.offBits = static_cast<qsizetype>(le32(bytes, 10));
    const qint64 infoSize = le32(bytes, 14);
    const bool core = infoSize == 12;
    if (!core && (infoSize < 16 || infoSize > 4096))
        throw refuse(imageTexts::tr("画像ヘッダーが壊れています。"));
    if (bytes.size() < 14 + infoSize)
        throw refuse(cutOff);
    quint32 coloursUsed = 0;
    if (core) {
        info.width = le16(bytes, 18);
        info.height = le16(bytes, 20);
        info.bitCount = int(le16(bytes, 24));
    } else {
        info.width = static_cast<qint32>(le32(bytes, 18));
        info.height = static_cast<qint32>(le32(bytes, 22));
        info.bitCount = int(le16(bytes, 28));
        if (infoSize >= 20)
            info.compression = le32(bytes, 30);
        if (infoSize >= 36)
            coloursUsed = le32(bytes, 46);
    }
    if (info.height < 0) {
        info.topDown = true;
        info.height = -info.height;
    }
    if (info.width <= 0 || info.height <= 0)
        throw refuse(imageTexts::tr("画像の大きさが正しくありません。"));

    const int bpp = info.bitCount;
    const quint32 c = info.compression;
    const bool bitFields = c == 3 || c == 6;
    const bool supported = (c == 0 && (bpp == 1 || bpp == 2 || bpp == 4 || bpp == 8 || bpp == 24 || (!core && (bpp == 16 || bpp == 32))))
                           || (c == 1 && bpp == 8) || (c == 2 && bpp == 4)
                           || (bitFields && (bpp == 16 || bpp == 32) && infoSize != 64); // OS/2: Huffman
    if (!supported)
        throw refuse(imageTexts::tr("この形式（%1 ビット、圧縮 %2）には対応していません。").arg(bpp).arg(c));
    if (info.width * info.height > maxPicturePixels)
        throw imageError(tooLargeText(what, info.width, info.height));

    qint64 paletteAt = 14 + infoSize;
    if (bitFields) {
        const qint64 masksAt = infoSize >= 52 ? 14 + 40 : 14 + infoSize;
        if (bytes.size() < masksAt + 12)
            throw refuse(cutOff);
        info.red = channel(le32(bytes, masksAt));
        info.green = channel(le32(bytes, masksAt + 4));
        info.blue = channel(le32(bytes, masksAt + 8));
        if (infoSize < 52)
            paletteAt += c == 6 ? 16 : 12;
    } else if (bpp == 16) {
        info.red = channel(0x7C00);
        info.green = channel(0x03E0);
        info.blue = channel(0x001F);
    } else if (bpp == 32) {
        info.red = channel(0x00FF0000);
        info.green = channel(0x0000FF00);
        info.blue = channel(0x000000FF);
    }
    if (bpp <= 8) {
        info.palette.assign(256, qRgb(0, 0, 0));
        const qint64 entries = coloursUsed > 0 && coloursUsed < (1u << bpp) ? coloursUsed : (1 << bpp);
        const int entrySize = core ? 3 : 4;
        for (qint64 i = 0; i < entries && paletteAt + (i + 1) * entrySize <= bytes.size(); ++i) {
            const qint64 at = paletteAt + i * entrySize;
            const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData()) + at;
            info.palette[std::size_t(i)] = qRgb(p[2], p[1], p[0]);
        }
    }

    if (info.offBits <= 0 || info.offBits >= bytes.size())
        throw refuse(cutOff);
    const qint64 data = bytes.size() - info.offBits;
    // The bitmap within the budget of reading the file (the user's limit, where one is set; the
    // rows of an uncompressed file are never more than the default). Run-length codes may skip
    // any number of pixels (to the end of a row, by a delta, to the end of the picture), so a
    // valid file can be small for its picture: this holds it to what a file of its size may cost,
    // refused before its pixels are allocated.
    if (!bitmapFitsFile(info.width * info.height, static_cast<unsigned long long>(bytes.size())))
        throw imageError(budgetText(what, info.width, info.height, 4ULL * static_cast<unsigned long long>(info.width * info.height),
                                    readingMemoryFor(static_cast<unsigned long long>(bytes.size()))));
    if (c == 1 || c == 2) {
        // The codes must reach the end of the picture inside the file.
        const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
        const qsizetype end = bytes.size();
        qsizetype at = info.offBits;
        long long rows = 0;
        bool finished = false;
        while (!finished && at + 1 < end) {
            const int count = p[at], code = p[at + 1];
            at += 2;
            if (count > 0)
                continue;
            if (code == 0) {
                ++rows;
            } else if (code == 1) {
                finished = true;
            } else if (code == 2) {
                if (at + 1 >= end)
                    break;
                rows += p[at + 1];
                at += 2;
            } else {
                const qsizetype length = c == 1 ? code : (code + 1) / 2;
                at += (length + 1) / 2 * 2;
            }
        }
        if ((!finished && rows < info.height) || at > end)
            throw refuse(cutOff);
    } else {
        const long long rowBytes = (info.width * bpp + 31) / 32 * 4;
        if (rowBytes * info.height > data)
            throw refuse(cutOff);
    }
    return info;
}

QRgb fromChannels(const bmpInfo &info, quint32 pixel)
{
    return qRgb(int(info.red.of(pixel)), int(info.green.of(pixel)), int(info.blue.of(pixel)));
}

void decodeRows(const bmpInfo &info, const QByteArray &bytes, QImage &picture)
{
    const int w = int(info.width), h = int(info.height), bpp = info.bitCount;
    const qsizetype rowBytes = static_cast<qsizetype>((info.width * bpp + 31) / 32 * 4);
    const auto *base = reinterpret_cast<const unsigned char *>(bytes.constData()) + info.offBits;
    const bool plain32 = bpp == 32 && info.red.mask == 0x00FF0000 && info.green.mask == 0x0000FF00
                         && info.blue.mask == 0x000000FF;
    for (int r = 0; r < h; ++r) {
        if (r % 16 == 0 && cancelRequestedHere()) // an open the user stopped (中止)
            throw operationCancelled{};
        const unsigned char *s = base + rowBytes * r;
        auto *d = reinterpret_cast<QRgb *>(picture.scanLine(info.topDown ? r : h - 1 - r));
        switch (bpp) {
        case 1: case 2: case 4: case 8: {
            const int perByte = 8 / bpp, mask = (1 << bpp) - 1;
            for (int x = 0; x < w; ++x) {
                const int shift = 8 - bpp * (x % perByte + 1);
                d[x] = info.palette[std::size_t((s[x / perByte] >> shift) & mask)];
            }
            break;
        }
        case 16:
            for (int x = 0; x < w; ++x)
                d[x] = fromChannels(info, quint32(s[2 * x] | s[2 * x + 1] << 8));
            break;
        case 24:
            for (int x = 0; x < w; ++x)
                d[x] = qRgb(s[3 * x + 2], s[3 * x + 1], s[3 * x]);
            break;
        case 32:
            for (int x = 0; x < w; ++x) {
                const unsigned char *p = s + 4 * x;
                d[x] = plain32 ? qRgb(p[2], p[1], p[0])
                               : fromChannels(info, quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24);
            }
            break;
        }
    }
}

// Run-length codes; pixels the codes skip keep palette colour 0.
void decodeRunLength(const bmpInfo &info, const QByteArray &bytes, QImage &picture)
{
    const long long w = info.width, h = info.height;
    const bool eightBit = info.compression == 1;
    picture.fill(info.palette[0]);
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype end = bytes.size();
    qsizetype at = info.offBits;
    long long x = 0, row = 0;
    auto put = [&](int index) {
        if (x < w && row < h)
            reinterpret_cast<QRgb *>(picture.scanLine(int(info.topDown ? row : h - 1 - row)))[x] = info.palette[std::size_t(index)];
        ++x;
    };
    while (at + 1 < end && row < h) {
        const int count = p[at], code = p[at + 1];
        at += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < w; ++i)
                put(eightBit ? code : (i % 2 == 0 ? code >> 4 : code & 0x0F));
        } else if (code == 0) {
            x = 0;
            if (++row % 16 == 0 && cancelRequestedHere())
                throw operationCancelled{};
        } else if (code == 1) {
            break;
        } else if (code == 2) {
            if (at + 1 >= end)
                break;
            x += p[at];
            row += p[at + 1];
            at += 2;
        } else {
            const qsizetype length = eightBit ? code : (code + 1) / 2;
            for (int i = 0; i < code; ++i) {
                const qsizetype byteAt = at + (eightBit ? i : i / 2);
                if (byteAt >= end)
                    break;
                put(eightBit ? p[byteAt] : (i % 2 == 0 ? p[byteAt] >> 4 : p[byteAt] & 0x0F));
            }
            at += (length + 1) / 2 * 2;
        }
    }
}

void putLe32(std::uint8_t *p, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

} // namespace

QImage decodeBmp(const QByteArray &bytes, const QString &what)
{
    const bmpInfo info = readHeaders(bytes, what);
    QImage picture(int(info.width), int(info.height), QImage::Format_RGB32);
    if (picture.isNull())
        throw imageError(noMemoryText(what, info.width, info.height));
    if (info.compression == 1 || info.compression == 2)
        decodeRunLength(info, bytes, picture);
    else
        decodeRows(info, bytes, picture);
    return picture;
}

QSize bmpPictureSize(const QByteArray &bytes, const QString &what)
{
    const bmpInfo info = readHeaders(bytes, what);
    return QSize(int(info.width), int(info.height));
}

// A 32-bit uncompressed bottom-up BMP: 14-byte file header, 40-byte info header, then the rows.
int writeBmp(int fd, const QImage &picture)
{
    const int width = picture.width(), height = picture.height();
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    const unsigned long long imageBytes = static_cast<unsigned long long>(rowBytes) * static_cast<unsigned>(height);
    if (imageBytes + 54 > 0xFFFFFFFFULL)
        return EFBIG;
    std::uint8_t header[54] = {};
    header[0] = 'B';
    header[1] = 'M';
    putLe32(header + 2, static_cast<quint32>(imageBytes + 54));
    putLe32(header + 10, 54);
    putLe32(header + 14, 40);
    putLe32(header + 18, static_cast<quint32>(width));
    putLe32(header + 22, static_cast<quint32>(height));
    header[26] = 1;  // planes
    header[28] = 32; // bits per pixel; compression 0
    putLe32(header + 34, static_cast<quint32>(imageBytes));
    putLe32(header + 38, 2835); // 72 dots per inch
    putLe32(header + 42, 2835);
    if (int error = writeAll(fd, reinterpret_cast<const char *>(header), sizeof header))
        return error;
    // Rows go out bottom first, gathered into blocks of about a megabyte.
    const int rowsPerBlock = std::max<int>(1, static_cast<int>((1 << 20) / std::max<std::size_t>(rowBytes, 1)));
    std::vector<char> block(rowBytes * static_cast<std::size_t>(std::min(rowsPerBlock, std::max(height, 1))));
    int row = height - 1;
    while (row >= 0) {
        if (cancelRequestedHere()) // a save the user stopped (中止): the caller drops the file
            throw operationCancelled{};
        std::size_t used = 0;
        for (int i = 0; i < rowsPerBlock && row >= 0; ++i, --row) {
            std::memcpy(block.data() + used, picture.constScanLine(row), rowBytes);
            used += rowBytes;
        }
        if (int error = writeAll(fd, block.data(), used))
            return error;
    }
    return 0;
}
