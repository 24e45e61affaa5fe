#include "batchinfo.h"

#include "imagedata/exifreader.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"

#include <QFileInfo>
#include <QSize>

QString pictureInfoText(const QString &input)
{
    if (imageFileType(input) == 0) throw imageError(unknownTypeText(input));
    if (!QFileInfo(input).isFile()) throw imageError(input + QStringLiteral(": ファイルがありません。"));
    // The size from the headers (upright, as the window shows it); the pixels are not decoded.
    const QSize size = pictureFileSize(input);
    exifReader exif;
    exif.readExif(input);

    QString text;
    for (const pictureInfoLine &line : pictureInfo(size.width(), size.height(), exif, extractFileName(input)))
        text += QString::fromUtf8(line.label) + '\t' + line.value + '\n';
    return text;
}
