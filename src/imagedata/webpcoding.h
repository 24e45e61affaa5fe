// WebP files through libwebp: lossy and lossless, with or without alpha (laid over white); of an
// animation the first frame. Written lossy at a quality 1..99, lossless at 100. The camera record,
// the XMP packet and the colour profile are the container's EXIF, "XMP " and ICCP chunks.
#pragma once
#include "picturemetadata.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// The picture in the file; `what` names it in messages. Throws imageError.
QImage decodeWebp(const QByteArray &bytes, const QString &what, pictureMetadata *metadata);

// The picture (Format_RGB32) as a WebP file with metadata's records (already made upright).
QByteArray encodeWebp(const QImage &picture, int quality, const pictureMetadata &metadata);
