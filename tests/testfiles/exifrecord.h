// EXIF records built byte by byte for the reader's tests: a JPEG start, an APP1 segment and a TIFF
// record in either byte order with IFD0, the EXIF sub-IFD and a data area, hostile offsets
// included. Everything is in namespace exifRecord.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace exifRecord {

using bytes = std::vector<std::uint8_t>;

enum : std::uint16_t { ascii = 2, shortType = 3, longType = 4, rationalType = 5, undefinedType = 7 };

// One directory entry. Text and rational values go into the data area after the directories,
// unless `raw` is set: then `field` is written into the value field as it stands (hostile
// offsets), and `count` as given.
struct exifField {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::int64_t count = 1;
    std::uint32_t field = 0;
    bool raw = false;
    std::string text;       // ascii / undefined value (with its zero byte when wanted)
    bool isText = false;
    bool isRational = false;
    std::int32_t numerator = 0, denominator = 1;
};

inline exifField shortEntry(std::uint16_t tag, std::uint16_t value)
{
    exifField e;
    e.tag = tag;
    e.type = shortType;
    e.field = value; // written as two bytes followed by two zero bytes
    return e;
}

inline exifField textEntry(std::uint16_t tag, const std::string &text, std::int64_t count = -1)
{
    exifField e;
    e.tag = tag;
    e.type = ascii;
    e.text = text;
    e.isText = true;
    e.count = count < 0 ? static_cast<std::int64_t>(text.size()) : count;
    return e;
}

inline exifField rationalEntry(std::uint16_t tag, std::int32_t numerator, std::int32_t denominator)
{
    exifField e;
    e.tag = tag;
    e.type = rationalType;
    e.isRational = true;
    e.numerator = numerator;
    e.denominator = denominator;
    return e;
}

inline exifField rawEntry(std::uint16_t tag, std::int64_t count, std::uint32_t field)
{
    exifField e;
    e.tag = tag;
    e.type = longType;
    e.count = count;
    e.field = field;
    e.raw = true;
    return e;
}

struct exifRecordBuilder {
    bool bigEndian = false;
    std::vector<exifField> ifd0;
    std::vector<exifField> sub;
    bool subPointer = true;          // add the EXIF IFD pointer as IFD0's last entry
    std::int64_t ifd0OffsetOverride = -1;
    std::int64_t subOffsetOverride = -1;
    bytes before;                    // bytes between FF D8 and the EXIF APP1 marker

    void put16(bytes &b, std::size_t at, std::uint16_t v) const
    {
        if (b.size() < at + 2)
            b.resize(at + 2);
        b[at + (bigEndian ? 0 : 1)] = static_cast<std::uint8_t>(v >> 8);
        b[at + (bigEndian ? 1 : 0)] = static_cast<std::uint8_t>(v);
    }
    void put32(bytes &b, std::size_t at, std::uint32_t v) const
    {
        if (b.size() < at + 4)
            b.resize(at + 4);
        for (int i = 0; i < 4; ++i) {
            const auto byte = static_cast<std::uint8_t>(v >> (8 * (3 - i)));
            b[at + (bigEndian ? i : 3 - i)] = byte;
        }
    }

    // The TIFF record alone (offsets count from its first byte).
    bytes tiff() const
    {
        bytes t;
        t.push_back(bigEndian ? 'M' : 'I');
        t.push_back(bigEndian ? 'M' : 'I');
        put16(t, 2, 42);
        const std::size_t ifd0At = 8;
        const std::size_t ifd0Count = ifd0.size() + (subPointer ? 1 : 0);
        const std::size_t subAt = ifd0At + 2 + 12 * ifd0Count + 4;
        const std::size_t dataAt = subAt + 2 + 12 * sub.size() + 4;
        put32(t, 4, static_cast<std::uint32_t>(ifd0OffsetOverride >= 0 ? ifd0OffsetOverride : ifd0At));
        bytes data;
        auto writeDirectory = [&](const std::vector<exifField> &entries, std::size_t at, bool pointer) {
            put16(t, at, static_cast<std::uint16_t>(entries.size() + (pointer ? 1 : 0)));
            std::size_t p = at + 2;
            for (const exifField &e : entries) {
                put16(t, p, e.tag);
                put16(t, p + 2, e.type);
                put32(t, p + 4, static_cast<std::uint32_t>(e.count));
                if (e.raw) {
                    put32(t, p + 8, e.field);
                } else if (e.isText) {
                    if (e.text.size() <= 4) {
                        for (std::size_t i = 0; i < 4; ++i)
                            t.resize(std::max(t.size(), p + 12)), t[p + 8 + i] =
                                i < e.text.size() ? static_cast<std::uint8_t>(e.text[i]) : 0;
                    } else {
                        put32(t, p + 8, static_cast<std::uint32_t>(dataAt + data.size()));
                        data.insert(data.end(), e.text.begin(), e.text.end());
                    }
                } else if (e.isRational) {
                    put32(t, p + 8, static_cast<std::uint32_t>(dataAt + data.size()));
                    bytes pair;
                    put32(pair, 0, static_cast<std::uint32_t>(e.numerator));
                    put32(pair, 4, static_cast<std::uint32_t>(e.denominator));
                    data.insert(data.end(), pair.begin(), pair.end());
                } else {
                    put16(t, p + 8, static_cast<std::uint16_t>(e.field));
                    put16(t, p + 10, 0);
                }
                p += 12;
            }
            if (pointer) {
                put16(t, p, 34665);
                put16(t, p + 2, longType);
                put32(t, p + 4, 1);
                put32(t, p + 8, static_cast<std::uint32_t>(subOffsetOverride >= 0 ? subOffsetOverride : subAt));
                p += 12;
            }
            put32(t, p, 0); // no next directory
        };
        writeDirectory(ifd0, ifd0At, subPointer);
        writeDirectory(sub, subAt, false);
        t.resize(dataAt);
        t.insert(t.end(), data.begin(), data.end());
        return t;
    }

    // The TIFF record wrapped as a JPEG: FF D8, optional bytes, FF E1, length, "Exif\0\0", the
    // record, FF D9.
    bytes jpeg() const
    {
        const bytes t = tiff();
        const std::size_t length = t.size() + 8;
        bytes j;
        for (std::uint8_t b : {0xFF, 0xD8})
            j.push_back(b);
        for (std::uint8_t b : before)
            j.push_back(b);
        for (std::uint8_t b : {std::size_t(0xFF), std::size_t(0xE1), length >> 8, length & 0xFF, std::size_t('E'),
                               std::size_t('x'), std::size_t('i'), std::size_t('f'), std::size_t(0), std::size_t(0)})
            j.push_back(b);
        for (std::uint8_t b : t)
            j.push_back(b);
        j.push_back(0xFF);
        j.push_back(0xD9);
        return j;
    }
};

} // namespace exifRecord
