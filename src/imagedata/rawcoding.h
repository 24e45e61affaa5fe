// DNG and camera RAW files (CR2, CR3, NEF, ARW, RAF, ORF, RW2) through LibRaw: developed with the
// camera's white balance into sRGB, 8 bits, the camera's orientation applied. The camera record
// comes from the file through Exiv2, or from what LibRaw read where Exiv2 finds none.
//
// The declared sizes are held to what the file's bytes can describe (16 samples a byte) and the
// development's memory (LibRaw's samples and picture, the developed picture, the bitmap) to one
// budget (picturelimits.h) before LibRaw unpacks anything.
#pragma once
#include "decodedpicture.h"
#include "picturemetadata.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// The developed picture's size as it is meant to be seen and the camera record, from the file's
// headers without unpacking, with the same checks of the declared size as decodeRaw. Throws
// imageError.
pictureHeader readRawHeader(const QByteArray &bytes, const QString &what, pictureMetadata *metadata);

// The developed picture as it is meant to be seen; `what` names the file in messages. Throws
// imageError.
QImage decodeRaw(const QByteArray &bytes, const QString &what, pictureMetadata *metadata);
