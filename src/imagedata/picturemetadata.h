// What a JPEG file says about its picture besides the pixels, carried from the file a picture was
// opened from to the files it is saved as: the camera's EXIF record (APP1), the XMP packet with its
// extended XMP (APP1) and the ICC colour profile (APP2), as libjpeg hands them over, in file
// order. What is written is sound whatever was read: broken or surplus records are left out (and
// said so, leftOutNote), a broken EXIF record built again.
//
// The pixels are always kept as shown (upright), so a record written out says orientation 1, gives
// the picture's own size and has no thumbnail, which would no longer match.
#pragma once
#include <QByteArray>
#include <QImage>
#include <QString>
#include <vector>

struct metadataSegment {
    int marker = 0;     // 0xE1 (APP1) or 0xE2 (APP2)
    QByteArray payload; // the segment's bytes after its length field
};

// What reading left out at once (pictureMetadata::leftOut): a file may hold thousands of
// segments where a picture keeps one record of each kind.
enum leftOutPart : unsigned {
    extraExifRecords = 1, // EXIF records after the first
    largeExifRecord = 2,  // an EXIF record larger than a JPEG segment holds
    extraXmpPackets = 4,  // XMP packets after the first, extended XMP of another packet
    largeXmpPacket = 8,   // an XMP packet (or its extension) above largestXmpPacket
    largeIccProfile = 16, // a profile larger than 255 APP2 chunks hold
};

// The most XMP a picture carries: 16 MB, in a JPEG 257 segments of extended XMP.
constexpr qsizetype largestXmpPacket = qsizetype(16) << 20;

struct pictureMetadata {
    std::vector<metadataSegment> segments;
    unsigned leftOut = 0; // leftOutPart flags

    bool empty() const { return segments.empty(); }
    // Takes a segment read from a file if it is one that is kept (the first EXIF record, the first
    // XMP packet and the extended XMP that belongs to it, ICC profile chunks up to one more than a
    // profile may have); returns whether it was taken. What is not taken is noted in leftOut.
    bool offer(int marker, const QByteArray &payload);
    // The EXIF orientation, 1..8; 1 without a record or with a value outside 1..8.
    int orientation() const;
    // The ICC profile: the APP2 chunks' data joined in their sequence order. Empty without
    // chunks, and when the chunks do not make one whole profile (a number missing, repeated or
    // out of range, counts that disagree).
    QByteArray iccProfile() const;
    // The records as a save writes them beside a picture of width x height, each sound or left
    // out: the EXIF record first, patched as exifForPicture does (built again when its directories
    // loop or lie outside it), then the XMP packet patched as xmpForPicture does, with its extended
    // XMP when that is whole and belongs to it, then the ICC profile when its chunks make one whole
    // profile whose header holds together (iccProfileSound) and it describes RGB colours (a grey or
    // CMYK original is written as RGB). The XMP packet stays one segment of any size here.
    pictureMetadata uprightFor(int width, int height) const;
    // The same as JPEG segments: an XMP packet too large for one segment becomes extended XMP
    // (xmpSegments).
    std::vector<metadataSegment> forPicture(int width, int height) const;
    // What a save leaves out because it is broken or one too many, as a short note in Japanese
    // for the information page and korvia-batch; empty when it leaves out nothing. (Thumbnails and
    // a profile of grey or CMYK colours are left out by design and not mentioned.)
    QString leftOutNote() const;

    // The same records as other formats hold them. exifPayload: the TIFF record without
    // "Exif\0\0"; xmpPacket: the main XMP packet without its namespace header, its extended XMP
    // joined in where it is whole (joinedXmp; iccProfile above gives the profile). Each is empty
    // when absent.
    QByteArray exifPayload() const;
    QByteArray xmpPacket() const;
    // Put a record read from another format in the form a JPEG holds it (the profile cut into
    // numbered chunks; an XMP packet of any size up to largestXmpPacket as one segment, which
    // forPicture cuts). A second record of a kind, or one too large, is not taken (see leftOut).
    void addExifPayload(const QByteArray &tiff);
    void addXmpPacket(const QByteArray &packet);
    void addIccProfile(const QByteArray &profile);
};

// The orientation tag of an EXIF payload ("Exif\0\0" + TIFF record); 1 when absent or invalid.
int exifOrientation(const QByteArray &payload);

// The EXIF payload for a picture of width x height as shown: orientation 1, the pixel-dimension
// tags set to width and height (their first value, where a record gives more than one), the
// second directory (the thumbnail) and its data removed. A record whose kept directories (the
// main one, EXIF, GPS, interoperability) are not all there, loop, are met twice or cross each
// other, or hold values outside the record or of unknown types, is first built again from what
// can be read of it (exifNeedsRepair); one whose main directory cannot be read gives nothing.
QByteArray exifForPicture(const QByteArray &payload, int width, int height);
// Whether exifForPicture builds the record again or leaves it out.
bool exifNeedsRepair(const QByteArray &payload);

// The resolution a record's main directory gives (XResolution, YResolution, ResolutionUnit: 1
// none, 2 inch, 3 centimetre); 72 pixels an inch where it gives none that can be used.
struct exifResolution {
    double x = 72, y = 72;
    int unit = 2;
};
exifResolution resolutionOf(const QByteArray &payload);

// An XMP packet for a picture stored as shown: a tiff:Orientation value 2..8, as an attribute or
// as an element, becomes 1 in place (one digit for another, so the packet keeps its size).
QByteArray xmpUpright(const QByteArray &payload);

// An XMP packet for a picture of width x height as shown: upright as xmpUpright makes it, and the
// XMP copies of the pixel sizes (exif:PixelXDimension, exif:PixelYDimension, tiff:ImageWidth,
// tiff:ImageLength; attributes or elements holding a decimal number) set to width and height. The
// packet's padding takes up a change of length where it can.
QByteArray xmpForPicture(const QByteArray &payload, int width, int height);

// The GUID (32 hexadecimal digits) a standard XMP segment's payload names as its extended XMP
// (xmpNote:HasExtendedXMP); empty when it names none.
QByteArray extendedXmpGuid(const QByteArray &payload);
// The extended XMP of guid among segments, its chunks joined; empty unless the chunks agree on
// its length and cover it exactly once.
QByteArray extendedXmp(const std::vector<metadataSegment> &segments, const QByteArray &guid);
// A standard packet (without namespace header) with its extended XMP joined in, as formats that
// hold one packet of any size keep it: the extension's descriptions put into the packet's RDF, the
// packet's xmpNote:HasExtendedXMP attribute removed. The packet as it is when either has no RDF.
QByteArray joinedXmp(const QByteArray &packet, const QByteArray &extension);
// An XMP packet (without namespace header) as JPEG APP1 segments: one standard segment when it
// fits, else a standard packet that names the whole packet, without its wrapper, as its
// extended XMP (GUID: the MD5 of it), and that in chunks of extended XMP.
std::vector<metadataSegment> xmpSegments(const QByteArray &packet);

// Whether a profile's header holds together: its declared size is its length, it has the
// profile signature, and its tag table and every tag lie inside it.
bool iccProfileSound(const QByteArray &profile);

// The picture as it is meant to be seen for EXIF orientation 2..8 (mirrors, half and quarter
// turns); any other value returns it as it is. Orientations 2..4 keep the size and turn a
// 32-bit picture in place (pass it with std::move, and no second copy is made). Throws imageError
// when memory runs out.
QImage uprightPicture(QImage picture, int orientation);
