#include "picturemetadata.h"
#include "imagedata/texts.h"

#include "imageerror.h"
#include "quarterturns.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

const QByteArray exifSignature("Exif\0\0", 6);
const QByteArray xmpSignature("http://ns.adobe.com/xap/1.0/\0", 29);
const QByteArray xmpExtensionSignature("http://ns.adobe.com/xmp/extension/\0", 35);
const QByteArray iccSignature("ICC_PROFILE\0", 12);

// The most a JPEG segment holds after its length field.
constexpr qsizetype largestSegment = 65533;

constexpr int orientationTag = 0x0112;
constexpr int imageWidthTag = 0x0100;
constexpr int imageLengthTag = 0x0101;
constexpr int exifPointerTag = 0x8769;
constexpr int gpsPointerTag = 0x8825;
constexpr int interopPointerTag = 0xA005;
constexpr int pixelXDimensionTag = 0xA002;
constexpr int pixelYDimensionTag = 0xA003;
constexpr int stripOffsetsTag = 0x0111;
constexpr int stripByteCountsTag = 0x0117;
constexpr int thumbnailOffsetTag = 0x0201;
constexpr int thumbnailLengthTag = 0x0202;
constexpr int shortType = 3;
constexpr int longType = 4;

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
    // Entry positions of the directory at offset, or none when its table is not all there.
    std::vector<qint64> entries(qint64 offset) const
    {
        std::vector<qint64> list;
        if (offset < 8 || !holds(offset, 2))
            return list;
        const qint64 count = get16(offset);
        if (!holds(offset + 2, count * 12 + 4))
            return list;
        for (qint64 k = 0; k < count; ++k)
            list.push_back(offset + 2 + 12 * k);
        return list;
    }
    // The bytes a directory's table and its entries' values outside the table take.
    void ranges(qint64 offset, std::vector<byteRange> &into) const
    {
        const std::vector<qint64> list = entries(offset);
        if (list.empty())
            return;
        into.push_back({offset, offset + 2 + 12 * qint64(list.size()) + 4});
        for (qint64 e : list) {
            const qint64 bytes = qint64(typeSize(int(get16(e + 2)))) * get32(e + 4);
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

bool startsWith(const QByteArray &payload, const QByteArray &signature)
{
    return payload.size() >= signature.size() && std::memcmp(payload.constData(), signature.constData(), std::size_t(signature.size())) == 0;
}

// A profile's colour space (bytes 16..19 of the profile header), read from its first chunk.
bool iccIsRgb(const std::vector<metadataSegment> &segments)
{
    for (const metadataSegment &s : segments)
        if (s.marker == 0xE2 && startsWith(s.payload, iccSignature) && s.payload.size() >= 14 + 20
            && static_cast<unsigned char>(s.payload[12]) == 1)
            return s.payload.mid(14 + 16, 4) == QByteArray("RGB ");
    return false;
}

// Replaces the value of every `name` attribute (name="v" or name='v') and element (<name>v<)
// of an XMP packet by change(value); a change returning the value as it was leaves it alone.
template <typename Change>
void editXmpValues(QByteArray &packet, const QByteArray &name, Change change)
{
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    for (qsizetype at = packet.indexOf(name); at > 0; at = packet.indexOf(name, at + 1)) {
        const char before = packet[at - 1];
        qsizetype p = at + name.size();
        qsizetype start = -1, end = -1;
        if (before == '<' && p < packet.size() && packet[p] == '>') {
            start = p + 1;
            end = packet.indexOf('<', start);
        } else if (space(before)) {
            while (p < packet.size() && space(packet[p]))
                ++p;
            if (p >= packet.size() || packet[p] != '=')
                continue;
            ++p;
            while (p < packet.size() && space(packet[p]))
                ++p;
            if (p >= packet.size() || (packet[p] != '"' && packet[p] != '\''))
                continue;
            start = p + 1;
            end = packet.indexOf(packet[p], start);
        }
        if (start < 0 || end < 0)
            continue;
        const QByteArray value = packet.mid(start, end - start);
        const QByteArray changed = change(value);
        if (changed != value)
            packet.replace(start, end - start, changed);
        at = start + changed.size() - 1;
    }
}

} // namespace

bool pictureMetadata::offer(int marker, const QByteArray &payload)
{
    bool take = false;
    if (marker == 0xE1 && startsWith(payload, exifSignature))
        take = std::none_of(segments.begin(), segments.end(),
                            [](const metadataSegment &s) { return s.marker == 0xE1 && startsWith(s.payload, exifSignature); });
    else if (marker == 0xE1)
        take = startsWith(payload, xmpSignature) || startsWith(payload, xmpExtensionSignature);
    else if (marker == 0xE2)
        take = startsWith(payload, iccSignature);
    if (take)
        segments.push_back({marker, payload});
    return take;
}

QByteArray pictureMetadata::exifPayload() const
{
    for (const metadataSegment &s : segments)
        if (s.marker == 0xE1 && startsWith(s.payload, exifSignature))
            return s.payload.mid(exifSignature.size());
    return QByteArray();
}

QByteArray pictureMetadata::xmpPacket() const
{
    for (const metadataSegment &s : segments)
        if (s.marker == 0xE1 && startsWith(s.payload, xmpSignature))
            return s.payload.mid(xmpSignature.size());
    return QByteArray();
}

void pictureMetadata::addExifPayload(const QByteArray &tiff)
{
    if (!tiff.isEmpty() && tiff.size() + exifSignature.size() <= largestSegment)
        offer(0xE1, exifSignature + tiff);
}

void pictureMetadata::addXmpPacket(const QByteArray &packet)
{
    if (!packet.isEmpty() && packet.size() + xmpSignature.size() <= largestSegment)
        offer(0xE1, xmpSignature + packet);
}

void pictureMetadata::addIccProfile(const QByteArray &profile)
{
    constexpr qsizetype chunk = largestSegment - 14;
    const qsizetype count = (profile.size() + chunk - 1) / chunk;
    if (profile.isEmpty() || count > 255 || !iccProfile().isEmpty())
        return;
    for (qsizetype k = 0; k < count; ++k) {
        QByteArray payload = iccSignature;
        payload.append(char(k + 1));
        payload.append(char(count));
        offer(0xE2, payload + profile.mid(k * chunk, chunk));
    }
}

int pictureMetadata::orientation() const
{
    for (const metadataSegment &s : segments)
        if (s.marker == 0xE1 && startsWith(s.payload, exifSignature))
            return exifOrientation(s.payload);
    return 1;
}

QByteArray pictureMetadata::iccProfile() const
{
    // Each chunk: the signature, its sequence number (1-based), the number of chunks, the data.
    constexpr qsizetype header = 14;
    std::vector<const metadataSegment *> chunks;
    int count = 0;
    for (const metadataSegment &s : segments) {
        if (s.marker != 0xE2 || !startsWith(s.payload, iccSignature))
            continue;
        if (s.payload.size() < header)
            return {};
        const int total = static_cast<unsigned char>(s.payload[13]);
        if (total == 0 || (count != 0 && total != count))
            return {};
        count = total;
        chunks.push_back(&s);
    }
    if (chunks.empty() || int(chunks.size()) != count)
        return {};
    std::vector<const metadataSegment *> ordered(std::size_t(count), nullptr);
    for (const metadataSegment *s : chunks) {
        const int number = static_cast<unsigned char>(s->payload[12]);
        if (number < 1 || number > count || ordered[std::size_t(number - 1)])
            return {};
        ordered[std::size_t(number - 1)] = s;
    }
    QByteArray profile;
    for (const metadataSegment *s : ordered)
        profile += s->payload.mid(header);
    return profile;
}

std::vector<metadataSegment> pictureMetadata::forPicture(int width, int height) const
{
    std::vector<metadataSegment> out;
    const bool rgbProfile = iccIsRgb(segments);
    // The EXIF record goes first, where camera readers (the picture information page too) look.
    for (const metadataSegment &s : segments)
        if (s.marker == 0xE1 && startsWith(s.payload, exifSignature))
            out.push_back({s.marker, exifForPicture(s.payload, width, height)});
    for (const metadataSegment &s : segments) {
        if (s.marker == 0xE1 && startsWith(s.payload, exifSignature))
            continue;
        else if (s.marker == 0xE2 && !rgbProfile)
            continue;
        else if (s.marker == 0xE1 && startsWith(s.payload, xmpSignature))
            out.push_back({s.marker, xmpForPicture(s.payload, width, height)});
        else
            out.push_back(s);
    }
    return out;
}

int exifOrientation(const QByteArray &payload)
{
    if (!startsWith(payload, exifSignature))
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

QByteArray exifForPicture(const QByteArray &payload, int width, int height)
{
    if (!startsWith(payload, exifSignature))
        return payload;
    QByteArray bytes = payload.mid(exifSignature.size());
    tiffRecord tiff(bytes);
    if (!tiff.valid)
        return payload;
    const qint64 ifd0 = tiff.get32(4);
    const std::vector<qint64> ifd0Entries = tiff.entries(ifd0);
    if (ifd0Entries.empty())
        return payload;

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

QByteArray xmpUpright(const QByteArray &payload)
{
    // Viewers that read the XMP copy of the orientation would otherwise turn the upright pixels
    // once more.
    QByteArray out = payload;
    editXmpValues(out, "tiff:Orientation", [](const QByteArray &value) {
        return value.size() == 1 && value[0] >= '2' && value[0] <= '8' ? QByteArray("1") : value;
    });
    return out;
}

QByteArray xmpForPicture(const QByteArray &payload, int width, int height)
{
    QByteArray out = xmpUpright(payload);
    const qsizetype before = out.size();
    const auto size = [](int pixels) {
        return [number = QByteArray::number(pixels)](const QByteArray &value) {
            const bool decimal = !value.isEmpty() && std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
            return decimal ? number : value;
        };
    };
    editXmpValues(out, "exif:PixelXDimension", size(width));
    editXmpValues(out, "exif:PixelYDimension", size(height));
    editXmpValues(out, "tiff:ImageWidth", size(width));
    editXmpValues(out, "tiff:ImageLength", size(height));
    // The packet's padding (white space before its closing processing instruction, there for
    // edits in place) takes up a change of length, so the packet keeps its size where it can.
    const qsizetype grown = out.size() - before;
    const qsizetype end = out.lastIndexOf("<?xpacket end");
    if (grown != 0 && end > 0) {
        qsizetype padding = 0;
        while (padding < end && (out[end - 1 - padding] == ' ' || out[end - 1 - padding] == '\n'))
            ++padding;
        if (grown < 0)
            out.insert(end, QByteArray(-grown, ' '));
        else if (padding > grown)
            out.remove(end - grown, grown);
    }
    return out;
}

QImage uprightPicture(QImage picture, int orientation)
{
    if (orientation < 2 || orientation > 8 || picture.isNull())
        return picture;
    const int w = picture.width(), h = picture.height();
    const auto noMemory = [&] {
        return imageError(imageTexts::tr("画像の向きを直すためのメモリが足りません（%1 × %2 画素）。").arg(w).arg(h));
    };
    if (picture.format() != QImage::Format_RGB32) {
        picture = picture.convertToFormat(QImage::Format_RGB32);
        if (picture.isNull())
            throw noMemory();
    }
    const pixelTurn turn = orientationTurn(orientation);
    // The mirrors and the half turn keep the size: made in the picture itself, no second copy
    // (unless the picture is shared, and Qt cannot make it its own).
    if (!turnSwapsSides(turn)) {
        if (!turnPictureInPlace(picture, turn))
            throw noMemory();
        return picture;
    }
    QImage out(h, w, QImage::Format_RGB32);
    if (out.isNull())
        throw noMemory();
    turnPicture(picture, out, turn, fourthByte::moved);
    return out;
}
