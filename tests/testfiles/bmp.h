// BMP files built byte by byte from a layout: every header kind, palette, bit-field and run-length
// variant, with pixels from a colour function or a fixed pattern of palette indices.
#pragma once
#include <QByteArray>
#include <QRgb>

#include <algorithm>
#include <functional>
#include <vector>

namespace bmpfiles_detail {
inline void put16(QByteArray &b, int v)
{
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}

inline void put32(QByteArray &b, qint64 v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

} // namespace bmpfiles_detail

struct bmpLayout {
    int width = 5, height = 3, bpp = 24;
    quint32 compression = 0;
    int infoSize = 40;
    bool topDown = false;
    std::vector<QRgb> palette;
    std::vector<quint32> masks; // red, green, blue (, alpha)
};

// A BMP file from its layout and its pixel bytes (rows already in file order and padded).
inline QByteArray buildBmp(const bmpLayout &l, const QByteArray &pixels)
{
    using bmpfiles_detail::put16;
    using bmpfiles_detail::put32;
    QByteArray info;
    const bool core = l.infoSize == 12;
    put32(info, l.infoSize);
    if (core) {
        put16(info, l.width);
        put16(info, l.height);
        put16(info, 1);
        put16(info, l.bpp);
    } else {
        put32(info, l.width);
        put32(info, l.topDown ? -l.height : l.height);
        put16(info, 1);
        put16(info, l.bpp);
        put32(info, l.compression);
        put32(info, pixels.size());
        put32(info, 2835);
        put32(info, 2835);
        put32(info, static_cast<qint64>(l.palette.size()));
        put32(info, 0);
        if (l.infoSize > 40)
            for (quint32 m : l.masks)
                put32(info, m);
        while (info.size() < l.infoSize)
            info.append('\0');
        if (l.infoSize == 40)
            for (quint32 m : l.masks)
                put32(info, m);
    }
    for (QRgb c : l.palette) {
        info.append(char(qBlue(c)));
        info.append(char(qGreen(c)));
        info.append(char(qRed(c)));
        if (!core)
            info.append('\0');
    }
    QByteArray file("BM");
    put32(file, 14 + info.size() + pixels.size());
    put32(file, 0);
    put32(file, 14 + info.size());
    return file + info + pixels;
}

// The colour index of pixel (x, y), row 0 the top row.
inline int indexAt(int x, int y, int colours) { return (x + 2 * y + 1) % colours; }

// Uncompressed rows for a layout; `colour` is used by 16/24/32 bits, the palette index otherwise.
inline QByteArray packRows(const bmpLayout &l, const std::function<QRgb(int, int)> &colour)
{
    QByteArray pixels;
    const int rowBytes = (l.width * l.bpp + 31) / 32 * 4;
    for (int i = 0; i < l.height; ++i) {
        const int y = l.topDown ? i : l.height - 1 - i;
        QByteArray row(rowBytes, '\0');
        for (int x = 0; x < l.width; ++x) {
            const QRgb c = l.bpp >= 16 ? colour(x, y) : 0;
            switch (l.bpp) {
            case 1:
            case 4:
            case 8: {
                const int index = indexAt(x, y, 1 << l.bpp);
                const int bit = x * l.bpp;
                row[bit / 8] = char(row[bit / 8] | (index << (8 - l.bpp - bit % 8)));
                break;
            }
            case 16: {
                int v;
                if (l.compression == 3) // 5-6-5
                    v = (qRed(c) >> 3) << 11 | (qGreen(c) >> 2) << 5 | (qBlue(c) >> 3);
                else
                    v = (qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | (qBlue(c) >> 3);
                row[x * 2] = char(v & 0xFF);
                row[x * 2 + 1] = char(v >> 8);
                break;
            }
            case 24:
                row[x * 3] = char(qBlue(c));
                row[x * 3 + 1] = char(qGreen(c));
                row[x * 3 + 2] = char(qRed(c));
                break;
            case 32:
                if (l.compression == 3) { // masks 0x0000FF00 red, 0x00FF0000 green, 0xFF000000 blue
                    row[x * 4] = 0;
                    row[x * 4 + 1] = char(qRed(c));
                    row[x * 4 + 2] = char(qGreen(c));
                    row[x * 4 + 3] = char(qBlue(c));
                } else {
                    row[x * 4] = char(qBlue(c));
                    row[x * 4 + 1] = char(qGreen(c));
                    row[x * 4 + 2] = char(qRed(c));
                    row[x * 4 + 3] = 0;
                }
                break;
            }
        }
        pixels += row;
    }
    return pixels;
}

// Run-length rows, bottom row first: the first row in absolute mode, the others as runs of
// one pixel (RLE8) or of two pixels with alternating indices (RLE4).
inline QByteArray rleRows(const bmpLayout &l)
{
    QByteArray data;
    for (int i = 0; i < l.height; ++i) {
        const int y = l.height - 1 - i;
        if (l.bpp == 8) {
            if (i == 0) {
                data.append('\0');
                data.append(char(l.width));
                for (int x = 0; x < l.width; ++x)
                    data.append(char(indexAt(x, y, 256)));
                if (l.width % 2)
                    data.append('\0');
            } else {
                for (int x = 0; x < l.width; ++x) {
                    data.append('\1');
                    data.append(char(indexAt(x, y, 256)));
                }
            }
        } else {
            for (int x = 0; x < l.width; x += 2) {
                const int count = std::min(2, l.width - x);
                const int hi = indexAt(x, y, 16), lo = count > 1 ? indexAt(x + 1, y, 16) : 0;
                data.append(char(count));
                data.append(char(hi << 4 | lo));
            }
        }
        data.append('\0');
        data.append('\0'); // end of line
    }
    data.append('\0');
    data.append('\1'); // end of picture
    return data;
}
