// HEIF, HEIC and AVIF files through libheif (with the HEVC and AV1 decoders it is built with): the
// primary picture, with the container's rotation and mirror applied, deeper samples rounded to
// 8 bits and transparent pixels laid over white. Its EXIF and XMP blocks and its colour profile
// travel in the metadata; the EXIF orientation is not applied again, the container's turn is the
// one that counts.
//
// The primary picture's size is held to what the file's bytes can describe (16384 pixels a byte)
// and its decode (libheif's interleaved picture beside the bitmap, a grid's tiles that reach beyond
// the picture) to one budget (picturelimits.h), before libheif decodes anything.
#pragma once
#include "decodedpicture.h"
#include "picturemetadata.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// The primary picture's size as it is meant to be seen and its records, from the boxes without
// decoding, with the same checks of the declared size as decodeHeif. Throws imageError.
pictureHeader readHeifHeader(const QByteArray &bytes, const QString &what, pictureMetadata *metadata);

// The primary picture as it is meant to be seen; `what` names the file in messages. Throws
// imageError. Once the cancel in force (workerpool.h) is asked for it throws operationCancelled at
// libheif's next read of coded data (before each tile of a grid, before the alpha picture) or when
// its decode returns: libheif has no way to stop the decode of one coded picture itself.
QImage decodeHeif(const QByteArray &bytes, const QString &what, pictureMetadata *metadata);
