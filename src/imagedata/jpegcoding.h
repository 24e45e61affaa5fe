// JPEG coding through libjpeg: pictures to and from Format_RGB32, the metadata segments kept beside
// them (saved while decoding, written right after the encoder's own header), and the picture size
// read from the header alone. `what` names the file in messages; every failure throws imageError
// with a Japanese sentence followed by libjpeg's own text.
#pragma once
#include "picturemetadata.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstddef>

// Pictures above this many pixels are refused before any memory is taken for them: the planes
// and the undo snapshots of the rest of the program count pixels in 32-bit integers.
constexpr long long largestPicture = 400LL * 1000 * 1000;

// The picture as stored (not turned upright); metadata, when given, receives the kept segments.
QImage decodeJpegBytes(const unsigned char *data, std::size_t size, const QString &what,
                       pictureMetadata *metadata = nullptr);

// The size as stored and the EXIF orientation, from the header only.
QSize jpegHeaderSize(const unsigned char *data, std::size_t size, const QString &what, int &orientation);

// Encodes at quality 1..100 (clamped) with the given segments after the header.
QByteArray encodeJpegWith(const QImage &bitmap, int quality, const std::vector<metadataSegment> &segments);

// "<what> は大きすぎて開けません（w × h 画素）。"
QString tooLargeText(const QString &what, long long width, long long height);

// "<what> を開くためのメモリが足りません（w × h 画素）。"
QString noMemoryText(const QString &what, long long width, long long height);

// The bitmap in Format_RGB32 (converted if needed); throws imageError when memory runs out.
QImage asRgb32(const QImage &bitmap);
