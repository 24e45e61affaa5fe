// The shared body of the picture-reader fuzz targets: the input is written to a file with the
// target's extension and read through loadImageFile, as the open command reads it. A file is
// either refused with imageError or read as a Format_RGB32 picture of the size pictureFileSize
// reports from the headers; the metadata kept from it can be patched for a save, into segments a
// JPEG holds and a camera record that is sound. Anything else
// (a crash, a sanitizer report, another exception, a disagreement) aborts.
#pragma once
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

inline int fuzzPictureFile(const std::uint8_t *data, std::size_t size, const char *extension)
{
    static const QString name = QDir::tempPath() + QStringLiteral("/korvia-fuzz-%1%2").arg(::getpid()).arg(QLatin1String(extension));
    {
        QFile file(name);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        if (file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size)) != static_cast<qint64>(size))
            std::abort();
    }
    QImage picture;
    pictureMetadata metadata;
    bool read = false;
    try {
        loadImageFile(picture, name, &metadata);
        read = true;
    } catch (const imageError &) {
    }
    QSize header;
    bool headerRead = false;
    try {
        header = pictureFileSize(name);
        headerRead = true;
    } catch (const imageError &) {
    }
    if (!read)
        return 0;
    if (picture.format() != QImage::Format_RGB32 || picture.width() <= 0 || picture.height() <= 0)
        std::abort();
    if (!headerRead || header != picture.size())
        std::abort(); // what `info` prints must be what the window shows
    for (const metadataSegment &s : metadata.forPicture(picture.width(), picture.height())) {
        if (s.payload.size() > 65533)
            std::abort();
        if (s.payload.startsWith(QByteArray("Exif\0\0", 6)) && (exifOrientation(s.payload) != 1 || exifNeedsRepair(s.payload)))
            std::abort(); // a record written is upright and sound
    }
    return 0;
}
