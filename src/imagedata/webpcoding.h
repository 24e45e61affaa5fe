// WebP files through libwebp: lossy and lossless, with or without alpha (laid over white); of an
// animation the first frame. Written lossy at a quality 1..99, lossless at 100. The camera record,
// the XMP packet and the colour profile are the container's EXIF, "XMP " and ICCP chunks.
//
// A reading holds its picture (an animation's canvas) and libwebp's working memory to one budget
// (picturelimits.h) before any of it is taken; the first frame is decoded straight into its place
// on the canvas, so an animation costs no more than a still picture of its canvas.
#pragma once
#include "decodedpicture.h"
#include "picturemetadata.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// The size (an animation's canvas), orientation and records from the container's headers, with
// the same checks of the declared size as decodeWebp; nothing is decoded. Throws imageError.
pictureHeader readWebpHeader(const QByteArray &bytes, const QString &what, pictureMetadata *metadata);

// The picture in the file; `what` names it in messages. Throws imageError, or operationCancelled
// between two steps of the decode once the cancel in force (workerpool.h) is asked for.
QImage decodeWebp(const QByteArray &bytes, const QString &what, pictureMetadata *metadata);

// The picture (Format_RGB32) as a WebP file with metadata's records (already made upright).
// Throws operationCancelled when libwebp next reports its progress once the cancel in force is
// asked for.
QByteArray encodeWebp(const QImage &picture, int quality, const pictureMetadata &metadata);
