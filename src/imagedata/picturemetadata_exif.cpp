// The EXIF record of a picture's metadata: its orientation, and the record patched for the picture
// as it is saved. A record whose directories loop, are shared or lie outside it, or whose values
// do, is built again from what can be read of it before it is patched.
#include "picturemetadata.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

const QByteArray exifSignature("Exif\0\0", 6);

// The most a JPEG segment holds after its length field, and so the most a record may grow to.
constexpr qsizetype largestRecord = 65533 - 6;

constexpr int orientationTag = 0x0112;
constexpr int imageWidthTag = 0x0100;
constexpr int imageLengthTag = 0x0101;
constexpr int exifPointerTag = 0x8769;
constexpr int gpsPointerTag = 0x8825;
constexpr int interopPointerTag = 0xA005;
constexpr int makerNoteTag = 0x927C;
constexpr int pixelXDimensionTag = 0xA002;
constexpr int pixelYDimensionTag = 0xA003;
constexpr int stripOffsetsTag = 0x0111;
constexpr int stripByteCountsTag = 0x0117;
constexpr int thumbnailOffsetTag = 0x0201;
constexpr int thumbnailLengthTag = 0x0202;
constexpr int shortType = 3;
constexpr int longType = 4;
constexpr int ifdType = 13;

// Bytes of one value of a TIFF field type; 0 for types the standard does not define.
int typeSize(int type)
{
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: case 13: return 4;
    case 5: case 10: case 12: return 8;
    default: return 0;
    }
}

struct byteRange {
    qint64 start, end;
};

// The TIFF record of an EXIF payload, every access bounded by its size.
class tiffRecord {
public:
    explicit tiffRecord(QByteArray &bytes) : b(bytes)
    {
        if (b.size() < 8)
            return;
        if (b[0] == 'I' && b[1] == 'I')
            little = true;
        else if (!(b[0] == 'M' && b[1] == 'M'))
            return;
        valid = get16(2) == 42;
    }

    bool valid = false;

    bool holds(qint64 at, qint64 n) const { return at >= 0 && n >= 0 && at <= b.size() - n; }
    quint32 get16(qint64 at) const
    {
        if (!holds(at, 2))
            return 0;
        const auto *p = reinterpret_cast<const unsigned char *>(b.constData()) + at;
        return little ? quint32(p[0] | p[1] << 8) : quint32(p[0] << 8 | p[1]);
    }
    quint32 get32(qint64 at) const
    {
        if (!holds(at, 4))
            return 0;
        return little ? get16(at) | get16(at + 2) << 16 : get16(at) << 16 | get16(at + 2);
    }
    void put16(qint64 at, quint32 v)
    {
        if (!holds(at, 2))
            return;
        const char hi = char((v >> 8) & 0xFF), lo = char(v & 0xFF);
        b[at] = little ? lo : hi;
        b[at + 1] = little ? hi : lo;
    }
    void put32(qint64 at, quint32 v)
    {
        put16(at + (little ? 0 : 2), v & 0xFFFF);
        put16(at + (little ? 2 : 0), v >> 16);
    }
    // Whether a whole directory table (its count, entries and next pointer) lies at offset.
    bool tableAt(qint64 offset) const { return offset >= 8 && holds(offset, 2) && holds(offset + 2, qint64(get16(offset)) * 12 + 4); }
    qint64 tableEnd(qint64 offset) const { return offset + 2 + 12 * qint64(get16(offset)) + 4; }
    // Entry positions of the directory at offset, or none when its table is not all there.
    std::vector<qint64> entries(qint64 offset) const
    {
        std::vector<qint64> list;
        if (!tableAt(offset))
            return list;
        const qint64 count = get16(offset);
        for (qint64 k = 0; k < count; ++k)
            list.push_back(offset + 2 + 12 * k);
        return list;
    }
    // The bytes of an entry's values; within the entry itself when they fit in four.
    qint64 valueBytes(qint64 entry) const { return qint64(typeSize(int(get16(entry + 2)))) * get32(entry + 4); }
    qint64 valueAt(qint64 entry) const { return valueBytes(entry) <= 4 ? entry + 8 : qint64(get32(entry + 8)); }
    bool valueInside(qint64 entry) const
    {
        const qint64 at = valueAt(entry);
        return valueBytes(entry) <= 4 || (at >= 8 && holds(at, valueBytes(entry)));
    }
    // The bytes a directory's table and its entries' values outside the table take.
    void ranges(qint64 offset, std::vector<byteRange> &into) const
    {
        if (!tableAt(offset))
            return;
        const std::vector<qint64> list = entries(offset);
        into.push_back({offset, tableEnd(offset)}); // also a table without entries
        for (qint64 e : list) {
            const qint64 bytes = valueBytes(e);
            if (bytes > 4) {
                const qint64 at = get32(e + 8);
                if (holds(at, 0))
                    into.push_back({at, std::min<qint64>(b.size(), at + bytes)});
            }
        }
    }
    // Sets the first value of a SHORT or LONG entry (a size, normally one value) to v. A SHORT that
    // cannot hold v, or values that are not all there, become one LONG in the value field.
    void setSize(qint64 entry, quint32 v)
    {
        const quint32 type = get16(entry + 2), count = get32(entry + 4);
        if ((type != shortType && type != longType) || count < 1)
            return;
        const bool inField = qint64(typeSize(int(type))) * count <= 4;
        const qint64 at = inField ? entry + 8 : qint64(get32(entry + 8));
        if (type == shortType && v <= 0xFFFF && (inField || (at >= 8 && holds(at, 2)))) {
            put16(at, v);
            if (count == 1)
                put16(entry + 10, 0);
        } else if (type == longType && (inField || (at >= 8 && holds(at, 4)))) {
            put32(at, v);
        } else {
            put16(entry + 2, longType);
            put32(entry + 4, 1);
            put32(entry + 8, v);
        }
    }
    qint64 size() const { return b.size(); }

private:
    QByteArray &b;
    bool little = false;
};

// The directories a record keeps (the main one, EXIF, GPS, interoperability) and the pointer tags
// each may hold: where a pointer leads, or -1 for a tag that is no pointer there.
enum class directoryKind { main, exif, gps, interop, none };

directoryKind pointedKind(directoryKind in, int tag)
{
    if (in == directoryKind::main && tag == exifPointerTag) return directoryKind::exif;
    if (in == directoryKind::main && tag == gpsPointerTag) return directoryKind::gps;
    if (in == directoryKind::exif && tag == interopPointerTag) return directoryKind::interop;
    return directoryKind::none;
}

bool pointerTag(int tag)
{
    return tag == exifPointerTag || tag == gpsPointerTag || tag == interopPointerTag;
}

bool pointerEntry(const tiffRecord &tiff, qint64 e)
{
    const quint32 type = tiff.get16(e + 2);
    return (type == longType || type == ifdType) && tiff.get32(e + 4) == 1;
}

// Whether the directory at offset and those it points to are whole, each met once, apart from
// the tables met before, with every type known and every value inside the record (values is given
// the values outside the tables).
bool soundDirectory(const tiffRecord &tiff, qint64 offset, directoryKind kind, std::vector<byteRange> &tables,
                    std::vector<byteRange> &values)
{
    if (!tiff.tableAt(offset))
        return false;
    const byteRange table{offset, tiff.tableEnd(offset)};
    for (const byteRange &t : tables)
        if (table.start < t.end && t.start < table.end)
            return false;
    tables.push_back(table);
    for (qint64 e : tiff.entries(offset)) {
        const int tag = int(tiff.get16(e));
        if (typeSize(int(tiff.get16(e + 2))) == 0 || !tiff.valueInside(e))
            return false;
        if (tiff.valueBytes(e) > 4)
            values.push_back({tiff.valueAt(e), tiff.valueAt(e) + tiff.valueBytes(e)});
        if (pointerTag(tag)) {
            const directoryKind child = pointedKind(kind, tag);
            if (child == directoryKind::none || !pointerEntry(tiff, e) || !soundDirectory(tiff, tiff.get32(e + 8), child, tables, values))
                return false;
        }
    }
    return true;
}

// A sound record: its directories sound, and no value lying in a directory's table (where a
// change of the value would change the table).
bool soundRecord(const tiffRecord &tiff)
{
    std::vector<byteRange> tables, values;
    if (!tiff.valid || !soundDirectory(tiff, tiff.get32(4), directoryKind::main, tables, values))
        return false;
    for (const byteRange &v : values)
        for (const byteRange &t : tables)
            if (v.start < t.end && t.start < v.end)
                return false;
    return true;
}

// A record built again from the readable part of one that is not sound: the directories met
// once each, apart from each other, their entries of known types with values inside the record
// (the maker note, whose own offsets would not survive the move, left out), sorted by tag, one
// of each, laid out afresh in the record's byte order and no larger than a JPEG segment holds.
class recordBuilder {
public:
    explicit recordBuilder(const tiffRecord &from, const QByteArray &bytes) : tiff(from), source(bytes) {}

    QByteArray build(qint64 mainOffset)
    {
        if (collect(mainOffset, directoryKind::main) != 0 || directories[0].entries.empty())
            return QByteArray();
        // Where everything goes: each table, then its values longer than four bytes.
        std::vector<qint64> tableAt(directories.size());
        qint64 at = 8;
        for (std::size_t d = 0; d < directories.size(); ++d) {
            at += at & 1; // tables and values start on a word, as TIFF wants
            tableAt[d] = at;
            at += 2 + 12 * qint64(directories[d].entries.size()) + 4;
            for (const entry &e : directories[d].entries)
                if (e.value.size() > 4)
                    at += (at & 1) + e.value.size();
        }
        QByteArray out(at, '\0');
        std::memcpy(out.data(), source.constData(), 4);
        tiffRecord record(out);
        record.put32(4, 8);
        for (std::size_t d = 0; d < directories.size(); ++d) {
            const std::vector<entry> &list = directories[d].entries;
            record.put16(tableAt[d], quint32(list.size()));
            qint64 row = tableAt[d] + 2, value = row + 12 * qint64(list.size()) + 4; // the next pointer stays 0
            for (const entry &e : list) {
                record.put16(row, e.tag);
                record.put16(row + 2, e.type);
                record.put32(row + 4, e.count);
                if (e.child >= 0) {
                    record.put32(row + 8, quint32(tableAt[std::size_t(e.child)]));
                } else if (e.value.size() <= 4) {
                    std::memcpy(out.data() + row + 8, e.value.constData(), std::size_t(e.value.size()));
                } else {
                    value += value & 1;
                    record.put32(row + 8, quint32(value));
                    std::memcpy(out.data() + value, e.value.constData(), std::size_t(e.value.size()));
                    value += e.value.size();
                }
                row += 12;
            }
        }
        return out;
    }

private:
    struct entry {
        quint32 tag, type, count;
        QByteArray value; // the values as stored (in the record's byte order)
        int child = -1;   // the directory a pointer leads to
    };
    struct directory {
        std::vector<entry> entries;
    };

    // Takes the directory at offset and those it points to; its index, or -1 when it cannot be
    // taken (not all there, met before, or crossing a table met before).
    int collect(qint64 offset, directoryKind kind)
    {
        if (!tiff.tableAt(offset) || !room(7))
            return -1;
        const byteRange table{offset, tiff.tableEnd(offset)};
        for (const byteRange &t : tables)
            if (table.start < t.end && t.start < table.end)
                return -1;
        tables.push_back(table);
        const int index = int(directories.size());
        directories.emplace_back();
        size += 7;
        for (qint64 e : tiff.entries(offset)) {
            entry taken{tiff.get16(e), tiff.get16(e + 2), tiff.get32(e + 4), QByteArray()};
            const std::vector<entry> &sofar = directories[std::size_t(index)].entries;
            if (typeSize(int(taken.type)) == 0 || !tiff.valueInside(e) || (kind == directoryKind::exif && taken.tag == makerNoteTag)
                || std::any_of(sofar.begin(), sofar.end(), [&](const entry &k) { return k.tag == taken.tag; }))
                continue;
            if (pointerTag(int(taken.tag))) {
                const directoryKind child = pointedKind(kind, int(taken.tag));
                if (child == directoryKind::none || !pointerEntry(tiff, e) || !room(12))
                    continue;
                size += 12;
                taken.child = collect(tiff.get32(e + 8), child);
                if (taken.child < 0) {
                    size -= 12;
                    continue;
                }
                taken.type = longType;
            } else {
                const qint64 bytes = tiff.valueBytes(e);
                if (!room(12 + (bytes > 4 ? bytes + 1 : 0)))
                    continue;
                size += 12 + (bytes > 4 ? bytes + 1 : 0);
                taken.value = source.mid(tiff.valueAt(e), bytes);
            }
            directories[std::size_t(index)].entries.push_back(std::move(taken));
        }
        std::vector<entry> &list = directories[std::size_t(index)].entries;
        std::stable_sort(list.begin(), list.end(), [](const entry &a, const entry &b) { return a.tag < b.tag; });
        return index;
    }
    bool room(qint64 more) const { return size + more <= largestRecord; }

    const tiffRecord &tiff;
    const QByteArray &source;
    std::vector<directory> directories;
    std::vector<byteRange> tables;
    qint64 size = 8;
};

// The record as it can be patched in place: itself when it is sound, else built again; empty
// when not even its main directory can be read.
QByteArray walkableRecord(QByteArray bytes)
{
    tiffRecord tiff(bytes);
    if (!tiff.valid || !tiff.tableAt(tiff.get32(4)))
        return QByteArray();
    if (soundRecord(tiff))
        return bytes;
    return recordBuilder(tiff, bytes).build(tiff.get32(4));
}

} // namespace

int exifOrientation(const QByteArray &payload)
{
    if (!payload.startsWith(exifSignature))
        return 1;
    QByteArray bytes = payload.mid(exifSignature.size());
    const tiffRecord tiff(bytes);
    if (!tiff.valid)
        return 1;
    for (qint64 e : tiff.entries(tiff.get32(4)))
        if (tiff.get16(e) == orientationTag && tiff.get16(e + 2) == shortType && tiff.get32(e + 4) >= 1) {
            const int value = int(tiff.get16(e + 8));
            return value >= 1 && value <= 8 ? value : 1;
        }
    return 1;
}

bool exifNeedsRepair(const QByteArray &payload)
{
    if (!payload.startsWith(exifSignature))
        return true;
    QByteArray bytes = payload.mid(exifSignature.size());
    return !soundRecord(tiffRecord(bytes));
}

QByteArray exifForPicture(const QByteArray &payload, int width, int height)
{
    if (!payload.startsWith(exifSignature))
        return QByteArray();
    QByteArray bytes = walkableRecord(payload.mid(exifSignature.size()));
    if (bytes.isEmpty())
        return QByteArray();
    tiffRecord tiff(bytes);
    const qint64 ifd0 = tiff.get32(4);
    const std::vector<qint64> ifd0Entries = tiff.entries(ifd0);

    std::vector<byteRange> kept{{0, 8}};
    tiff.ranges(ifd0, kept);
    qint64 exifIfd = 0, gpsIfd = 0;
    for (qint64 e : ifd0Entries) {
        const int tag = int(tiff.get16(e));
        if (tag == imageWidthTag)
            tiff.setSize(e, quint32(width));
        else if (tag == imageLengthTag)
            tiff.setSize(e, quint32(height));
        else if (tag == exifPointerTag)
            exifIfd = tiff.get32(e + 8);
        else if (tag == gpsPointerTag)
            gpsIfd = tiff.get32(e + 8);
    }
    qint64 interopIfd = 0;
    for (qint64 e : tiff.entries(exifIfd)) {
        const int tag = int(tiff.get16(e));
        if (tag == pixelXDimensionTag)
            tiff.setSize(e, quint32(width));
        else if (tag == pixelYDimensionTag)
            tiff.setSize(e, quint32(height));
        else if (tag == interopPointerTag)
            interopIfd = tiff.get32(e + 8);
    }
    for (qint64 ifd : {exifIfd, gpsIfd, interopIfd})
        if (ifd != ifd0)
            tiff.ranges(ifd, kept);

    // The thumbnail: the second directory, its values and the picture data it points to.
    const qint64 next = ifd0 + 2 + 12 * qint64(ifd0Entries.size());
    const qint64 ifd1 = tiff.get32(next);
    tiff.put32(next, 0);
    std::vector<byteRange> dropped;
    if (ifd1 != 0 && ifd1 != ifd0 && ifd1 != exifIfd && ifd1 != gpsIfd && ifd1 != interopIfd) {
        tiff.ranges(ifd1, dropped);
        const std::vector<qint64> entries = tiff.entries(ifd1);
        qint64 thumbnailAt = -1, thumbnailLength = 0;
        qint64 stripsAt = -1, stripsLength = 0;
        for (qint64 e : entries) {
            const int tag = int(tiff.get16(e));
            const bool one = tiff.get32(e + 4) == 1;
            const qint64 value = tiff.get16(e + 2) == shortType ? tiff.get16(e + 8) : tiff.get32(e + 8);
            if (tag == thumbnailOffsetTag) thumbnailAt = value;
            else if (tag == thumbnailLengthTag) thumbnailLength = value;
            else if (tag == stripOffsetsTag && one) stripsAt = value;
            else if (tag == stripByteCountsTag && one) stripsLength = value;
        }
        for (auto [at, length] : {std::pair{thumbnailAt, thumbnailLength}, std::pair{stripsAt, stripsLength}})
            if (at >= 8 && length > 0 && tiff.holds(at, 0))
                dropped.push_back({at, std::min(tiff.size(), at + length)});
    }
    if (!dropped.empty()) {
        qint64 keptEnd = 0, droppedStart = std::numeric_limits<qint64>::max();
        for (const byteRange &r : kept)
            keptEnd = std::max(keptEnd, r.end);
        for (const byteRange &r : dropped)
            droppedStart = std::min(droppedStart, r.start);
        if (droppedStart >= keptEnd) {
            bytes.truncate(droppedStart); // the usual layout: the thumbnail comes last
        } else {
            // Interleaved with data that stays: blank it where it is, outside what stays. One
            // sweep over the record counts how many kept and dropped ranges cover each byte (a
            // hostile record may hold thousands of overlapping ranges of each).
            std::vector<qint32> keptDepth(std::size_t(bytes.size()) + 1, 0), droppedDepth(keptDepth.size(), 0);
            const auto mark = [&](std::vector<qint32> &depth, const byteRange &r) {
                const qint64 start = std::clamp<qint64>(r.start, 0, bytes.size());
                const qint64 end = std::clamp<qint64>(r.end, start, bytes.size());
                ++depth[std::size_t(start)];
                --depth[std::size_t(end)];
            };
            for (const byteRange &r : kept)
                mark(keptDepth, r);
            for (const byteRange &r : dropped)
                mark(droppedDepth, r);
            qint32 inKept = 0, inDropped = 0;
            for (qint64 i = 0; i < bytes.size(); ++i) {
                inKept += keptDepth[std::size_t(i)];
                inDropped += droppedDepth[std::size_t(i)];
                if (inDropped > 0 && inKept == 0)
                    bytes[i] = 0;
            }
        }
    }
    // Last, so that no other change can touch it whatever overlaps in a strange record.
    tiffRecord patched(bytes);
    for (qint64 e : patched.entries(ifd0))
        if (patched.get16(e) == orientationTag && patched.get16(e + 2) == shortType)
            patched.put16(e + 8, 1);
    return exifSignature + bytes;
}

exifResolution resolutionOf(const QByteArray &payload)
{
    exifResolution found;
    if (!payload.startsWith(exifSignature))
        return found;
    QByteArray bytes = payload.mid(exifSignature.size());
    const tiffRecord tiff(bytes);
    if (!tiff.valid)
        return found;
    double x = 0, y = 0;
    int unit = 2;
    for (qint64 e : tiff.entries(tiff.get32(4))) {
        const int tag = int(tiff.get16(e)), type = int(tiff.get16(e + 2));
        if ((tag == 0x011A || tag == 0x011B) && type == 5 && tiff.get32(e + 4) == 1 && tiff.valueInside(e)) {
            const qint64 at = tiff.valueAt(e);
            const quint32 numerator = tiff.get32(at), denominator = tiff.get32(at + 4);
            (tag == 0x011A ? x : y) = denominator ? double(numerator) / denominator : 0;
        } else if (tag == 0x0128 && type == shortType) {
            unit = int(tiff.get16(e + 8));
        }
    }
    if (x > 0 && y > 0 && unit >= 1 && unit <= 3)
        found = {x, y, unit};
    return found;
}
