#include "batchapply.h"

#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/myimagearray.h"

#include "colour/sharedrandom.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

void applyOperationTo(QImage &bitmap, colorFilter &filter, const operationSettings &settings)
{
    myImageArray planes(bitmap);
    settings.applyTo(filter);
    filter.width = planes.width;
    filter.height = planes.height;
    filter.redPlane = planes.redPlane.get();
    filter.greenPlane = planes.greenPlane.get();
    filter.bluePlane = planes.bluePlane.get();
    filter.run();
    planes.storeToBitmap();
    filter.redPlane = filter.greenPlane = filter.bluePlane = nullptr;
}

namespace {
// The mode a newly created file gets: 0666 less the umask.
mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}
} // namespace

void writeExactly(const QImage &bitmap, const QString &output, int quality)
{
    const int type = imageFileType(output);
    if (type == 0)
        throw imageError(output + ": unknown picture type; the name must end in .jpg, .jpeg, .JPG, "
                                  ".JPEG, .bmp or .BMP");
    const QFileInfo target(output);
    if (target.exists() && target.isDir()) throw imageError(output + ": is a directory");
    const QString folder = target.absolutePath();
    if (!QFileInfo(folder).isDir()) throw imageError(output + ": the folder " + folder + " does not exist");

    // The writer puts its own extension on the name, so the temporary name already ends in it.
    const QString extension = type == 1 ? QStringLiteral(".jpeg") : QStringLiteral(".BMP");
    QString temporaryName;
    {
        QTemporaryFile reserve(folder + "/." + target.fileName() + ".XXXXXX" + extension);
        reserve.setAutoRemove(false);
        if (!reserve.open())
            throw imageError(output + ": cannot create a file in " + folder + ": " + reserve.errorString());
        temporaryName = reserve.fileName();
    }
    try {
        if (writtenFileName(temporaryName, type) != temporaryName)
            throw imageError(output + ": internal error: the writer would not write " + temporaryName);
        saveImageFile(bitmap, temporaryName, type, quality);
        const QByteArray from = QFile::encodeName(temporaryName);
        const QByteArray to = QFile::encodeName(target.absoluteFilePath());
        struct stat existing {};
        const mode_t mode = ::stat(to.constData(), &existing) == 0 ? (existing.st_mode & 07777) : newFileMode();
        if (::chmod(from.constData(), mode) != 0)
            throw imageError(output + ": cannot set the file mode: " + systemError());
        if (::rename(from.constData(), to.constData()) != 0)
            throw imageError(output + ": cannot write: " + systemError());
    } catch (...) {
        QFile::remove(temporaryName);
        throw;
    }
}

void runApply(const applyRequest &request)
{
    if (imageFileType(request.output) == 0)
        throw imageError(request.output + ": unknown picture type; the name must end in .jpg, .jpeg, "
                                          ".JPG, .JPEG, .bmp or .BMP");
    if (imageFileType(request.input) == 0)
        throw imageError(request.input + ": not a picture name; JPEG (.jpg, .jpeg, .JPG, .JPEG) and "
                                         "BMP (.bmp, .BMP) are read");
    if (!QFileInfo(request.input).isFile()) throw imageError(request.input + ": no such file");

    QImage bitmap;
    loadImageFile(bitmap, request.input);
    if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0)
        throw imageError(request.input + ": the picture is empty");

    if (request.seed) sharedRandom::instance().seed(static_cast<std::uint32_t>(*request.seed));

    colorFilter filter; // one engine for the whole run, as the window keeps one
    for (const operationSettings &settings : request.operations) applyOperationTo(bitmap, filter, settings);

    writeExactly(bitmap, request.output, request.quality);
}
