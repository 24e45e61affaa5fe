#include "batchinfo.h"

#include "imagedata/exifreader.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"

#include <QFileInfo>
#include <QImage>

QString pictureInfoText(const QString &input)
{
    if (imageFileType(input) == 0)
        throw imageError(input + ": not a picture name; JPEG (.jpg, .jpeg, .JPG, .JPEG) and "
                                 "BMP (.bmp, .BMP) are read");
    if (!QFileInfo(input).isFile()) throw imageError(input + ": no such file");
    QImage bitmap;
    loadImageFile(bitmap, input);
    exifReader exif;
    exif.readExif(input);

    QString text;
    for (const pictureInfoLine &line : pictureInfo(bitmap.width(), bitmap.height(), exif, extractFileName(input)))
        text += QString::fromUtf8(line.label) + '\t' + line.value + '\n';
    return text;
}
