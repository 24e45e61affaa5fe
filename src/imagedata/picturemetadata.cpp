// The records a picture carries: what is kept of a file's segments, the profile they make, what a
// save writes (sound, or left out with a note) and the picture turned as its orientation says.
#include "picturemetadata.h"
#include "imagedata/texts.h"

#include "imageerror.h"
#include "quarterturns.h"

#include <QStringList>

#include <algorithm>
#include <cstring>

namespace {

const QByteArray exifSignature("Exif\0\0", 6);
const QByteArray xmpSignature("http://ns.adobe.com/xap/1.0/\0", 29);
const QByteArray xmpExtensionSignature("http://ns.adobe.com/xmp/extension/\0", 35);
const QByteArray iccSignature("ICC_PROFILE\0", 12);

// The most a JPEG segment holds after its length field.
constexpr qsizetype largestSegment = 65533;

// The most ICC chunks kept: one more than a profile may have, which marks the chunks as broken.
constexpr int mostIccChunks = 256;

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

bool isExif(const metadataSegment &s) { return s.marker == 0xE1 && startsWith(s.payload, exifSignature); }
bool isXmp(const metadataSegment &s) { return s.marker == 0xE1 && startsWith(s.payload, xmpSignature); }
bool isXmpExtension(const metadataSegment &s) { return s.marker == 0xE1 && startsWith(s.payload, xmpExtensionSignature); }
bool isIcc(const metadataSegment &s) { return s.marker == 0xE2 && startsWith(s.payload, iccSignature); }

// The GUID of an extended XMP segment (after its signature), empty when it is too short to hold one.
QByteArray segmentGuid(const QByteArray &payload)
{
    return payload.size() > xmpExtensionSignature.size() + 40 ? payload.mid(xmpExtensionSignature.size(), 32) : QByteArray();
}

quint32 bigEndian32(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(b.constData()) + at;
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

} // namespace

bool pictureMetadata::offer(int marker, const QByteArray &payload)
{
    const metadataSegment offered{marker, payload};
    const auto standardXmp = std::find_if(segments.begin(), segments.end(), isXmp);
    bool take = false;
    if (isExif(offered)) {
        take = std::none_of(segments.begin(), segments.end(), isExif);
        leftOut |= take ? 0u : unsigned(extraExifRecords);
    } else if (isXmp(offered)) {
        take = standardXmp == segments.end();
        leftOut |= take ? 0u : unsigned(extraXmpPackets);
    } else if (isXmpExtension(offered)) {
        // Only the extension of the one packet kept (the first one seen while no packet is).
        const QByteArray guid = segmentGuid(payload);
        const auto kept = std::find_if(segments.begin(), segments.end(), isXmpExtension);
        const QByteArray wanted = standardXmp != segments.end() ? extendedXmpGuid(standardXmp->payload)
                                  : kept != segments.end()      ? segmentGuid(kept->payload)
                                                                : guid;
        take = !guid.isEmpty() && guid == wanted;
        leftOut |= take ? 0u : unsigned(extraXmpPackets);
        qsizetype held = 0;
        for (const metadataSegment &s : segments)
            held += isXmpExtension(s) ? s.payload.size() : 0;
        if (take && held + payload.size() > largestXmpPacket + 256 * 75) {
            take = false;
            leftOut |= largeXmpPacket;
        }
    } else if (isIcc(offered)) {
        take = std::count_if(segments.begin(), segments.end(), isIcc) < mostIccChunks;
    }
    if (take)
        segments.push_back(offered);
    return take;
}

QByteArray pictureMetadata::exifPayload() const
{
    for (const metadataSegment &s : segments)
        if (isExif(s))
            return s.payload.mid(exifSignature.size());
    return QByteArray();
}

QByteArray pictureMetadata::xmpPacket() const
{
    for (const metadataSegment &s : segments)
        if (isXmp(s)) {
            const QByteArray extension = extendedXmp(segments, extendedXmpGuid(s.payload));
            const QByteArray packet = s.payload.mid(xmpSignature.size());
            return extension.isEmpty() ? packet : joinedXmp(packet, extension);
        }
    return QByteArray();
}

void pictureMetadata::addExifPayload(const QByteArray &tiff)
{
    if (tiff.size() + exifSignature.size() > largestSegment)
        leftOut |= largeExifRecord;
    else if (!tiff.isEmpty())
        offer(0xE1, exifSignature + tiff);
}

void pictureMetadata::addXmpPacket(const QByteArray &packet)
{
    // Held whole whatever its size; a JPEG save cuts it into extended XMP (forPicture).
    if (packet.isEmpty())
        return;
    if (packet.size() > largestXmpPacket)
        leftOut |= largeXmpPacket;
    else if (std::any_of(segments.begin(), segments.end(), isXmp))
        leftOut |= extraXmpPackets;
    else
        segments.push_back({0xE1, xmpSignature + packet});
}

void pictureMetadata::addIccProfile(const QByteArray &profile)
{
    constexpr qsizetype chunk = largestSegment - 14;
    const qsizetype count = (profile.size() + chunk - 1) / chunk;
    if (count > 255)
        leftOut |= largeIccProfile;
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
        if (isExif(s))
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
        if (!isIcc(s))
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

bool iccProfileSound(const QByteArray &profile)
{
    // The header (128 bytes), the tag count, and twelve bytes a tag: signature, offset, size.
    if (profile.size() < 132 || bigEndian32(profile, 0) != quint32(profile.size()) || profile.mid(36, 4) != "acsp")
        return false;
    const qint64 tags = bigEndian32(profile, 128);
    if (tags > (profile.size() - 132) / 12)
        return false;
    for (qint64 k = 0; k < tags; ++k) {
        const qint64 at = bigEndian32(profile, 132 + 12 * k + 4), size = bigEndian32(profile, 132 + 12 * k + 8);
        if (at < 128 || at + size > profile.size())
            return false;
    }
    return true;
}

pictureMetadata pictureMetadata::uprightFor(int width, int height) const
{
    pictureMetadata out;
    // The EXIF record goes first, where camera readers (the picture information page too) look.
    const auto exif = std::find_if(segments.begin(), segments.end(), isExif);
    if (exif != segments.end())
        if (const QByteArray record = exifForPicture(exif->payload, width, height); !record.isEmpty())
            out.segments.push_back({0xE1, record});
    const auto xmp = std::find_if(segments.begin(), segments.end(), isXmp);
    if (xmp != segments.end()) {
        const QByteArray guid = extendedXmpGuid(xmp->payload);
        const bool extended = !extendedXmp(segments, guid).isEmpty();
        QByteArray packet = xmpForPicture(xmp->payload, width, height);
        if (extended && packet.size() > largestSegment)
            packet = xmp->payload; // its extension stays its own: the packet must stay one segment
        out.segments.push_back({0xE1, packet});
        for (const metadataSegment &s : segments)
            if (extended && isXmpExtension(s) && segmentGuid(s.payload) == guid)
                out.segments.push_back(s);
    }
    const QByteArray profile = iccProfile();
    if (!profile.isEmpty() && iccProfileSound(profile) && iccIsRgb(segments))
        for (const metadataSegment &s : segments)
            if (isIcc(s))
                out.segments.push_back(s);
    return out;
}

std::vector<metadataSegment> pictureMetadata::forPicture(int width, int height) const
{
    std::vector<metadataSegment> out;
    for (metadataSegment &s : uprightFor(width, height).segments) {
        if (isXmp(s) && s.payload.size() > largestSegment) {
            const std::vector<metadataSegment> cut = xmpSegments(s.payload.mid(xmpSignature.size()));
            out.insert(out.end(), cut.begin(), cut.end());
        } else {
            out.push_back(std::move(s));
        }
    }
    return out;
}

QString pictureMetadata::leftOutNote() const
{
    QStringList parts;
    const auto exif = std::find_if(segments.begin(), segments.end(), isExif);
    if (exif != segments.end() && exifNeedsRepair(exif->payload))
        parts << imageTexts::tr("EXIF 記録の壊れた部分");
    if (leftOut & extraExifRecords)
        parts << imageTexts::tr("余分な EXIF 記録");
    if (leftOut & largeExifRecord)
        parts << imageTexts::tr("大きすぎる EXIF 記録");
    if (leftOut & extraXmpPackets)
        parts << imageTexts::tr("余分な XMP パケット");
    if (leftOut & largeXmpPacket)
        parts << imageTexts::tr("大きすぎる XMP パケット");
    const auto xmp = std::find_if(segments.begin(), segments.end(), isXmp);
    const bool hasExtension = std::any_of(segments.begin(), segments.end(), isXmpExtension);
    if (hasExtension && (xmp == segments.end() || extendedXmp(segments, extendedXmpGuid(xmp->payload)).isEmpty()))
        parts << imageTexts::tr("欠けているか結び付かない拡張 XMP");
    const QByteArray profile = iccProfile();
    if (std::any_of(segments.begin(), segments.end(), isIcc) && (profile.isEmpty() || !iccProfileSound(profile)))
        parts << imageTexts::tr("壊れた ICC プロファイル");
    if (leftOut & largeIccProfile)
        parts << imageTexts::tr("大きすぎる ICC プロファイル");
    if (parts.isEmpty())
        return QString();
    return imageTexts::tr("保存するファイルには、壊れているか余分な次の情報を書き込みません: %1。")
        .arg(parts.join(imageTexts::tr("、")));
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
