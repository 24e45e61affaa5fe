// PNG files through libpng: every standard variant (1 to 16 bits, grey, palette, RGB, with alpha
// or a transparent colour, interlaced) into Format_RGB32, and 8-bit RGB files out. 16-bit samples
// are rounded to 8 bits and transparent pixels laid over white. The camera record (eXIf), the
// XMP packet (iTXt "XML:com.adobe.xmp") and the colour profile (iCCP) travel in the metadata.
#pragma once
#include "picturemetadata.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// The picture as stored; `what` names the file in messages. Throws imageError.
QImage decodePng(const QByteArray &bytes, const QString &what, pictureMetadata *metadata);

// The picture (Format_RGB32) as a PNG file with metadata's records (already made upright).
// Reading and writing throw operationCancelled within 16 rows once the cancel in force
// (workerpool.h) is asked for.
QByteArray encodePng(const QImage &picture, const pictureMetadata &metadata);
