// JPEG XL files through libjxl: the bare codestream and the ISO media container, lossy (VarDCT)
// and lossless (modular), 8 to 16 bits a sample (and floating point, all brought to 8 bits as
// the other formats' 16-bit samples are), grey or colour, with or without alpha (laid over
// white); of an animation the first frame; a JPEG recompressed into JPEG XL (its original bytes
// kept in a "jbrd" box) is decoded to pixels like any other. The camera record and the XMP
// packet are the container's "Exif" (after its four-byte offset) and "xml " boxes, plain or
// Brotli-compressed ("brob"); the colour profile is the codestream's own.
//
// Both run on the engines' worker threads (workerpool.h). The decode stops at a cancel: every
// parallel step of libjxl asks cancelRequestedHere() first.
#pragma once
#include "picturemetadata.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// The picture as stored, before its orientation, which goes into `orientation` (1..8, the
// codestream's own: a JPEG XL file's EXIF orientation is not the one that counts); `what` names
// the file in messages. The declared size is checked against the pixel limit and what the file's
// bytes can describe before anything is decoded. Throws imageError, or operationCancelled once
// the cancel in force is asked for.
QImage decodeJxl(const QByteArray &bytes, const QString &what, pictureMetadata *metadata, int &orientation);

// The size as stored and the orientation from the headers alone, with the same checks of the
// declared size, and the records into metadata when given. Throws imageError.
QSize jxlHeaderSize(const QByteArray &bytes, const QString &what, pictureMetadata *metadata, int &orientation);

// The picture (Format_RGB32) as a JPEG XL file with metadata's records (already made upright):
// quality 100 lossless, 1..99 lossy at the distance cjxl gives that quality. Throws imageError,
// or operationCancelled at once when the cancel in force is asked for (libjxl's encode cannot
// stop part-way: it runs on alone to its end, runAbandonable). A colour profile libjxl cannot use
// is left out, and showMessage says so.
QByteArray encodeJxl(const QImage &picture, int quality, const pictureMetadata &metadata);

// The Butteraugli distance of a quality 1..100 (0 for 100: lossless), as cjxl maps its -q.
double jxlDistanceOf(int quality);
