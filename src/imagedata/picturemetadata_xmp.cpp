// The XMP packet of a picture's metadata: patched for the picture as it is saved, and carried in a
// JPEG as one standard segment with its extended XMP where it does not fit in one.
#include "picturemetadata.h"

#include <QCryptographicHash>

#include <algorithm>
#include <map>

namespace {

const QByteArray xmpSignature("http://ns.adobe.com/xap/1.0/\0", 29);
const QByteArray extensionSignature("http://ns.adobe.com/xmp/extension/\0", 35);

// An extended XMP segment: the signature, the GUID, the whole length and this chunk's offset
// (32-bit big-endian each), the chunk.
constexpr qsizetype extensionHeader = 35 + 32 + 4 + 4;
constexpr qsizetype extensionChunk = 65400; // as the XMP toolkit cuts it, within one segment

quint32 bigEndian32(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(b.constData()) + at;
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

QByteArray bigEndian32(quint32 v)
{
    return QByteArray(1, char(v >> 24)) + char(v >> 16) + char(v >> 8) + char(v);
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

// The packet without its wrapper (the <?xpacket ...?> instructions and the padding before the
// closing one): what extended XMP holds.
QByteArray unwrapped(const QByteArray &packet)
{
    qsizetype start = 0, end = packet.size();
    if (const qsizetype begin = packet.indexOf("<?xpacket begin"); begin >= 0) {
        const qsizetype close = packet.indexOf("?>", begin);
        if (close > 0)
            start = close + 2;
    }
    if (const qsizetype closing = packet.lastIndexOf("<?xpacket end"); closing >= start)
        end = closing;
    while (end > start && (packet[end - 1] == ' ' || packet[end - 1] == '\n' || packet[end - 1] == '\r' || packet[end - 1] == '\t'))
        --end;
    while (start < end && (packet[start] == '\n' || packet[start] == '\r'))
        ++start;
    return packet.mid(start, end - start);
}

} // namespace

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

QByteArray extendedXmpGuid(const QByteArray &payload)
{
    // An attribute (xmpNote:HasExtendedXMP="...") or an element holding the value.
    QByteArray guid;
    QByteArray packet = payload;
    editXmpValues(packet, "xmpNote:HasExtendedXMP", [&guid](const QByteArray &value) {
        if (guid.isEmpty())
            guid = value.trimmed();
        return value;
    });
    const bool hexadecimal = guid.size() == 32 && std::all_of(guid.begin(), guid.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
    return hexadecimal ? guid : QByteArray();
}

QByteArray extendedXmp(const std::vector<metadataSegment> &segments, const QByteArray &guid)
{
    if (guid.isEmpty())
        return QByteArray();
    std::map<quint32, const metadataSegment *> chunks; // by offset
    qint64 total = -1;
    for (const metadataSegment &s : segments) {
        if (s.marker != 0xE1 || !s.payload.startsWith(extensionSignature) || s.payload.size() <= extensionHeader
            || s.payload.mid(35, 32) != guid)
            continue;
        const qint64 length = bigEndian32(s.payload, 67);
        if ((total >= 0 && length != total) || !chunks.emplace(bigEndian32(s.payload, 71), &s).second)
            return QByteArray();
        total = length;
    }
    if (total <= 0 || total > largestXmpPacket)
        return QByteArray();
    QByteArray joined;
    for (const auto &[offset, s] : chunks) {
        if (offset != joined.size())
            return QByteArray();
        joined += s->payload.mid(extensionHeader);
    }
    return joined.size() == total ? joined : QByteArray();
}

std::vector<metadataSegment> xmpSegments(const QByteArray &packet)
{
    if (packet.isEmpty())
        return {};
    if (xmpSignature.size() + packet.size() <= 65533)
        return {{0xE1, xmpSignature + packet}};
    const QByteArray extension = unwrapped(packet);
    const QByteArray guid = QCryptographicHash::hash(extension, QCryptographicHash::Md5).toHex().toUpper();
    const QByteArray standard = "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
                                "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
                                " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
                                "  <rdf:Description rdf:about=\"\" xmlns:xmpNote=\"http://ns.adobe.com/xmp/note/\""
                                " xmpNote:HasExtendedXMP=\""
                                + guid + "\"/>\n </rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>";
    std::vector<metadataSegment> out{{0xE1, xmpSignature + standard}};
    for (qsizetype at = 0; at < extension.size(); at += extensionChunk)
        out.push_back({0xE1, extensionSignature + guid + bigEndian32(quint32(extension.size())) + bigEndian32(quint32(at))
                                 + extension.mid(at, extensionChunk)});
    return out;
}

QByteArray joinedXmp(const QByteArray &packet, const QByteArray &extension)
{
    const qsizetype rdf = extension.indexOf("<rdf:RDF");
    const qsizetype open = rdf < 0 ? -1 : extension.indexOf('>', rdf);
    const qsizetype close = extension.lastIndexOf("</rdf:RDF>");
    const qsizetype end = packet.lastIndexOf("</rdf:RDF>");
    if (open < 0 || close < open || end < 0)
        return packet;
    QByteArray out = packet;
    out.insert(end, extension.mid(open + 1, close - open - 1));
    // The note of the extension goes with it (as an attribute; an element of it is left).
    const QByteArray note("xmpNote:HasExtendedXMP");
    for (qsizetype at = out.indexOf(note); at > 0 && at < end; at = out.indexOf(note, at + 1)) {
        qsizetype from = at;
        while (from > 0 && (out[from - 1] == ' ' || out[from - 1] == '\n' || out[from - 1] == '\t' || out[from - 1] == '\r'))
            --from;
        qsizetype p = at + note.size();
        while (p < out.size() && out[p] == ' ')
            ++p;
        if (from == at || p >= out.size() || out[p] != '=')
            continue;
        ++p;
        while (p < out.size() && out[p] == ' ')
            ++p;
        const qsizetype last = p < out.size() && (out[p] == '"' || out[p] == '\'') ? out.indexOf(out[p], p + 1) : -1;
        if (last < 0)
            continue;
        out.remove(from, last + 1 - from);
        break;
    }
    return out;
}
