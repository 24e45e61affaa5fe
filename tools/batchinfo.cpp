#include "batchinfo.h"
#include "imagedata/texts.h"

#include "batchapply.h"

#include "imagedata/exifreader.h"
#include "imagedata/imagefilemanager.h"

#include <QSize>

QString pictureInfoText(const QString &input)
{
    checkInputName(input);
    // The size from the headers (upright, as the window shows it); the pixels are not decoded.
    int type = 0;
    pictureMetadata metadata;
    const QSize size = pictureFileSize(input, &type, &metadata);
    exifReader exif;
    exif.readPictureExif(input, type, metadata);

    QString text;
    for (const pictureInfoLine &line : pictureInfo(size.width(), size.height(), exif, extractFileName(input)))
        text += imageTexts::tr(line.label) + '\t' + line.value + '\n';
    return text;
}
