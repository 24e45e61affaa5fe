// What a JPEG file says about its picture besides the pixels, carried from the file a picture was
// opened from to the JPEG files it is saved as: the camera's EXIF record (APP1), XMP packets (APP1)
// and the ICC colour profile (APP2), exactly as libjpeg hands them over, in file order.
//
// The pixels are always kept as shown (upright), so a record written out says orientation 1, gives
// the picture's own size and has no thumbnail, which would no longer match.
#pragma once
#include <QByteArray>
#include <QImage>
#include <vector>

struct metadataSegment {
    int marker = 0;     // 0xE1 (APP1) or 0xE2 (APP2)
    QByteArray payload; // the segment's bytes after its length field
};

struct pictureMetadata {
    std::vector<metadataSegment> segments;

    bool empty() const { return segments.empty(); }
    // Takes a segment read from a file if it is one that is kept (the first EXIF record, XMP
    // packets, ICC profile chunks); returns whether it was taken.
    bool offer(int marker, const QByteArray &payload);
    // The EXIF orientation, 1..8; 1 without a record or with a value outside 1..8.
    int orientation() const;
    // The ICC profile: the APP2 chunks' data joined in their sequence order. Empty without
    // chunks, and when the chunks do not make one whole profile (a number missing, repeated or
    // out of range, counts that disagree).
    QByteArray iccProfile() const;
    // The segments to write beside a picture of width x height: the EXIF record first, patched
    // as exifForPicture does, then XMP (patched as xmpForPicture does), the ICC profile only when
    // it describes RGB colours (a grey or CMYK original is written as RGB).
    std::vector<metadataSegment> forPicture(int width, int height) const;

    // The same records as other formats hold them. exifPayload: the TIFF record without
    // "Exif\0\0"; xmpPacket: the main XMP packet without its namespace header (iccProfile above
    // gives the profile). Each is empty when absent.
    QByteArray exifPayload() const;
    QByteArray xmpPacket() const;
    // Put a record read from another format in the form a JPEG holds it (the profile cut into
    // numbered chunks). A record too large for one segment, or a second EXIF record, is not taken.
    void addExifPayload(const QByteArray &tiff);
    void addXmpPacket(const QByteArray &packet);
    void addIccProfile(const QByteArray &profile);
};

// The orientation tag of an EXIF payload ("Exif\0\0" + TIFF record); 1 when absent or invalid.
int exifOrientation(const QByteArray &payload);

// The EXIF payload for a picture of width x height as shown: orientation 1, the pixel-dimension
// tags set to width and height (their first value, where a record gives more than one), the
// second directory (the thumbnail) and its data removed. A record that cannot be walked is
// returned unchanged.
QByteArray exifForPicture(const QByteArray &payload, int width, int height);

// An XMP packet for a picture stored as shown: a tiff:Orientation value 2..8, as an attribute or
// as an element, becomes 1 in place (one digit for another, so the packet keeps its size).
QByteArray xmpUpright(const QByteArray &payload);

// An XMP packet for a picture of width x height as shown: upright as xmpUpright makes it, and the
// XMP copies of the pixel sizes (exif:PixelXDimension, exif:PixelYDimension, tiff:ImageWidth,
// tiff:ImageLength; attributes or elements holding a decimal number) set to width and height. The
// packet's padding takes up a change of length where it can.
QByteArray xmpForPicture(const QByteArray &payload, int width, int height);

// The picture as it is meant to be seen for EXIF orientation 2..8 (mirrors, half and quarter
// turns); any other value returns it as it is. Orientations 2..4 keep the size and turn a
// 32-bit picture in place (pass it with std::move, and no second copy is made). Throws imageError
// when memory runs out.
QImage uprightPicture(QImage picture, int orientation);
