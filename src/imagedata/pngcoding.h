// PNG files through libpng: every standard variant (1 to 16 bits, grey, palette, RGB, with alpha
// or a transparent colour, interlaced) into Format_RGB32, and 8-bit RGB files out. 16-bit samples
// are rounded to 8 bits and transparent pixels laid over white. The camera record (eXIf), the
// XMP packet (iTXt "XML:com.adobe.xmp") and the colour profile (iCCP) travel in the metadata.
//
// A reading holds its pixels and every buffer libpng takes (rows, the colour profile) and every
// inflated XMP packet to one budget (picturelimits.h); the declared size is checked against what
// the picture data's bytes can describe (deflate's 1032 to 1) before any of it.
#pragma once
#include "decodedpicture.h"
#include "picturemetadata.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// The size and the records, from the chunks without inflating the pixels, with the same checks of
// the declared size as decodePng. Throws imageError.
pictureHeader readPngHeader(const QByteArray &bytes, const QString &what, pictureMetadata *metadata);

// The picture as stored; `what` names the file in messages. Throws imageError.
QImage decodePng(const QByteArray &bytes, const QString &what, pictureMetadata *metadata);

// The picture (Format_RGB32) as a PNG file with metadata's records (already made upright).
// Reading and writing throw operationCancelled within 16 rows once the cancel in force
// (workerpool.h) is asked for.
QByteArray encodePng(const QImage &picture, const pictureMetadata &metadata);
