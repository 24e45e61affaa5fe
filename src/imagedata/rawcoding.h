// DNG and camera RAW files (CR2, CR3, NEF, ARW, RAF, ORF, RW2) through LibRaw: developed with the
// camera's white balance into sRGB, 8 bits, the camera's orientation applied. The camera record
// comes from the file through Exiv2, or from what LibRaw read where Exiv2 finds none.
#pragma once
#include "picturemetadata.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// The developed picture as it is meant to be seen; `what` names the file in messages. Throws
// imageError.
QImage decodeRaw(const QByteArray &bytes, const QString &what, pictureMetadata *metadata);
