// TIFF files through libtiff: the first page, 8 or 16 bits, strips or tiles, uncompressed, LZW,
// Deflate or JPEG, grey, RGB or CMYK (converted), with or without alpha, read straight from the
// coded strips; every other variant libtiff knows goes through its RGBA reader. 16-bit samples are
// rounded to 8 bits, transparent pixels laid over white. Written files are 8-bit RGB, Deflate.
//
// The colour profile and the XMP packet are TIFF tags of their own; the camera record is the
// file's own directories (read and written through Exiv2, see exivrecord.h).
//
// A reading holds its pixels and its strip or tile buffer to one budget (picturelimits.h); the
// declared size is checked (every product) against the pixel limit and against what the coded
// bytes can hold, and every strip and tile must lie inside the file, before any of it; a strip or
// tile that fails to decode fails the reading.
#pragma once
#include "decodedpicture.h"
#include "picturemetadata.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// The first page's size, orientation and records from its directory, with the same checks of the
// declared size as decodeTiff; no strip is decoded. Throws imageError naming `what`.
pictureHeader readTiffHeader(const QByteArray &bytes, const QString &what, pictureMetadata *metadata);

// The first page as stored; orientation receives the file's orientation tag (1..8). Throws
// imageError naming `what`.
QImage decodeTiff(const QByteArray &bytes, const QString &what, pictureMetadata *metadata, int &orientation);

// The picture (Format_RGB32) as a TIFF file with metadata's records (already made upright).
// Reading and writing throw operationCancelled before the next strip (or tile) once the cancel in
// force (workerpool.h) is asked for.
QByteArray encodeTiff(const QImage &picture, const pictureMetadata &metadata);
