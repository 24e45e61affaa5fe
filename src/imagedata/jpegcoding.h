// JPEG coding through libjpeg: pictures to and from Format_RGB32, the metadata segments kept beside
// them (saved while decoding, written right after the encoder's own header), and the picture size
// read from the header alone. `what` names the file in messages; every failure throws imageError
// with a Japanese sentence followed by libjpeg's own text.
#pragma once
#include "picturelimits.h"
#include "picturemetadata.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstddef>

// Before any pixel is decoded, the declared size is held to maxPicturePixels and its bitmap to
// what the file may cost (pictureMemoryFor), and so is libjpeg's memory; the blocks the scans of
// a progressive file visit are held to a budget from the file's size as they come.

// The picture as stored (not turned upright); metadata, when given, receives the kept segments.
QImage decodeJpegBytes(const unsigned char *data, std::size_t size, const QString &what,
                       pictureMetadata *metadata = nullptr);

// The picture as its EXIF orientation shows it, each band of rows decoded straight into its
// turned or mirrored place (no second copy of the picture).
QImage decodeJpegUpright(const unsigned char *data, std::size_t size, const QString &what,
                         pictureMetadata *metadata = nullptr);

// The size as stored and the EXIF orientation, from the header only, with the same checks of the
// declared size.
QSize jpegHeaderSize(const unsigned char *data, std::size_t size, const QString &what, int &orientation);

// Encodes at quality 1..100 (clamped) with the given segments after the header.
QByteArray encodeJpegWith(const QImage &bitmap, int quality, const std::vector<metadataSegment> &segments);

// "<what> は大きすぎて開けません（w × h 画素）。"
QString tooLargeText(const QString &what, long long width, long long height);

// "<what> を開くためのメモリが足りません（w × h 画素）。"
QString noMemoryText(const QString &what, long long width, long long height);

// The bitmap in Format_RGB32 (converted if needed); throws imageError when memory runs out.
QImage asRgb32(const QImage &bitmap);
