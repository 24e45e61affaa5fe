#include "imagefilemanager.h"
#include "imagedata/texts.h"

#include "bmpcoding.h"
#include "filenames.h"
#include "decodedpicture.h"
#include "imageerror.h"
#include "jpegcoding.h"
#include "jxlcoding.h"
#include "picturesignature.h"
#include "safewrite.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <utility>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const unsigned char *unsignedBytes(const QByteArray &bytes)
{
    return reinterpret_cast<const unsigned char *>(bytes.constData());
}

// $HOME, or where the user database puts it when HOME is unset (a service, `env -i`): not the
// root folder, which is where Qt's own fallback would send the snapshots.
QString homeFolder()
{
    const QString home = qEnvironmentVariable("HOME");
    if (QDir::isAbsolutePath(home))
        return home;
    if (const passwd *user = ::getpwuid(::getuid()); user && user->pw_dir && user->pw_dir[0] == '/')
        return QFile::decodeName(user->pw_dir);
    return QDir::homePath();
}

} // namespace

int imageFileType(const QString &name)
{
    const QString ext = fileExtension(name);
    if (ext == QLatin1String(".bmp") || ext == QLatin1String(".BMP"))
        return 2;
    if (ext == QLatin1String(".jpeg") || ext == QLatin1String(".jpg") || ext == QLatin1String(".JPEG")
        || ext == QLatin1String(".JPG"))
        return 1;
    return extensionPictureType(ext);
}

int loadImageFile(QImage &bitmap, const QString &name)
{
    return loadImageFile(bitmap, name, nullptr);
}

int loadImageFile(QImage &bitmap, const QString &name, pictureMetadata *metadata)
{
    return loadImageFile(bitmap, name, metadata, nullptr);
}

int loadImageFile(QImage &bitmap, const QString &name, pictureMetadata *metadata, QByteArray *jpegFile)
{
    if (jpegFile)
        jpegFile->clear();
    const int named = imageFileType(name);
    if (named == 0) {
        if (!bitmap.isNull() && bitmap.format() != QImage::Format_RGB32)
            bitmap = asRgb32(bitmap);
        return 0;
    }
    // The bytes decide the format; the name only where they leave it open.
    const pictureFile file(name);
    const QByteArray &bytes = file.bytes;
    const int type = contentPictureType(bytes, named);
    if (type == 1) {
        pictureMetadata read;
        bitmap = decodeJpegUpright(unsignedBytes(bytes), static_cast<std::size_t>(bytes.size()), name, &read);
        if (metadata)
            *metadata = std::move(read);
        if (jpegFile) // a copy of its own: the file's bytes may be mapped
            *jpegFile = QByteArray(bytes.constData(), bytes.size());
    } else if (type == 2) {
        bitmap = decodeBmp(bytes, name);
        if (metadata)
            *metadata = pictureMetadata();
    } else {
        pictureMetadata read;
        int orientation = 1;
        QImage stored = decodePictureBytes(type, bytes, name, read, orientation);
        bitmap = uprightPicture(std::move(stored), orientation);
        if (metadata)
            *metadata = std::move(read);
    }
    return type;
}

QSize pictureFileSize(const QString &name)
{
    return pictureFileSize(name, nullptr, nullptr);
}

QSize pictureFileSize(const QString &name, int *type, pictureMetadata *metadata)
{
    const int named = imageFileType(name);
    if (named == 0)
        throw imageError(unknownTypeText(name));
    const pictureFile file(name, pictureFile::mapped);
    const QByteArray &bytes = file.bytes;
    const int content = contentPictureType(bytes, named);
    if (type)
        *type = content;
    if (content == 2)
        return bmpPictureSize(bytes, name);
    if (content == 1) {
        int orientation = 1;
        const QSize stored = jpegHeaderSize(unsignedBytes(bytes), static_cast<std::size_t>(bytes.size()), name, orientation);
        return orientation >= 5 ? stored.transposed() : stored;
    }
    pictureMetadata read;
    const pictureHeader header = readPictureHeader(content, bytes, name, read);
    if (metadata)
        *metadata = std::move(read);
    const QSize stored(int(header.width), int(header.height)); // within the pixel limit
    return header.orientation >= 5 ? stored.transposed() : stored;
}

QString unknownTypeText(const QString &name)
{
    return imageTexts::tr("%1 は開けません。開くことのできるファイルの拡張子は "
                          ".jpg、.jpeg、.JPG、.JPEG（JPEG）、.bmp、.BMP（BMP）、.png（PNG）、.tif、.tiff（TIFF）、"
                          ".webp（WebP）、.jxl（JPEG XL）、.heic、.heif、.avif（HEIF/AVIF）と .dng、.cr2、.cr3、.nef、.arw、.raf、.orf、"
                          ".rw2（RAW）です（それぞれ大文字も）。")
        .arg(extractFileName(name));
}

void saveImageFile(const QImage &bitmap, const QString &name, int type, int quality, const pictureMetadata *metadata)
{
    if (writablePictureType(type))
        writeImageFile(bitmap, writtenFileName(name, type), type, quality, metadata);
}

void writeImageFile(const QImage &bitmap, const QString &target, int type, int quality, const pictureMetadata *metadata,
                    existingTarget existing)
{
    if (type == 1) {
        const std::vector<metadataSegment> segments =
            metadata ? metadata->forPicture(bitmap.width(), bitmap.height()) : std::vector<metadataSegment>();
        const QByteArray data = encodeJpegWith(bitmap, quality, segments);
        writeFileSafely(target, [&](int fd) { return writeAll(fd, data.constData(), static_cast<std::size_t>(data.size())); },
                        existing);
    } else if (type == 2) {
        if (bitmap.isNull())
            throw imageError(imageTexts::tr("%1 に書き込む画像がありません。").arg(target));
        const QImage picture = asRgb32(bitmap);
        writeFileSafely(target, [&](int fd) { return writeBmp(fd, picture); }, existing);
    } else if (writablePictureType(type)) {
        if (bitmap.isNull())
            throw imageError(imageTexts::tr("%1 に書き込む画像がありません。").arg(target));
        const QByteArray data = encodePictureBytes(type, asRgb32(bitmap), quality, metadata);
        writeFileSafely(target, [&](int fd) { return writeAll(fd, data.constData(), static_cast<std::size_t>(data.size())); },
                        existing);
    }
}

QString writtenFileName(const QString &name, int type)
{
    if (type == 1)
        return changeFileExt(name, QStringLiteral(".jpeg"));
    if (type == 2)
        return changeFileExt(name, QStringLiteral(".BMP"));
    if (writablePictureType(type))
        return changeFileExt(name, writtenPictureExtension(type));
    return name;
}

QString saveFileName(const QString &name, int type)
{
    if (!writablePictureType(type))
        return changeFileExt(name, QString());
    // What the user typed is kept when it already names the type; otherwise only the last
    // extension gives way (holiday.2009.jpg as BMP: holiday.2009.BMP).
    if (imageFileType(name) == type)
        return name;
    return writtenFileName(name, type);
}

int saveFileType(const QString &name, int chosen)
{
    // A typed extension is the user's word: a photo typed as photo.png is never re-encoded as a
    // lossy JPEG under another name because the type box still showed JPEG.
    const int typed = imageFileType(name);
    return writablePictureType(typed) ? typed : chosen;
}

QString folderFailureText(const QString &path, const QString &reason)
{
    return imageTexts::tr("元に戻すための一時フォルダー %1 を作れません: %2")
        .arg(printableName(path), reason);
}

QString folderFailureText(const QString &path, int error)
{
    return folderFailureText(path, QString::fromLocal8Bit(std::strerror(error)));
}

void ensureDirectory(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0) {
        if (errno != ENOENT)
            throw imageError(folderFailureText(path, errno));
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
            throw imageError(folderFailureText(path, errno));
        if (::lstat(native.constData(), &info) != 0)
            throw imageError(folderFailureText(path, errno));
    }
    // Only a real directory of this user will do: a symlink or someone else's folder could
    // send the snapshots anywhere.
    if (S_ISLNK(info.st_mode))
        throw imageError(folderFailureText(path, imageTexts::tr("フォルダーではなくシンボリックリンクです")));
    if (!S_ISDIR(info.st_mode))
        throw imageError(folderFailureText(path, ENOTDIR));
    if (info.st_uid != ::getuid())
        throw imageError(folderFailureText(path, imageTexts::tr("ほかのユーザーのフォルダーです")));
    // Exactly owner-only: no one else may look in, and an odd umask must not have taken the
    // owner's own rights away.
    if ((info.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0)
        throw imageError(folderFailureText(path, errno));
}

QString scratchDirectory()
{
    // The user's cache, not the shared temporary folder where another user could take the name.
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!QDir::isAbsolutePath(cache)) cache = homeFolder() + QStringLiteral("/.cache");
    return QDir::cleanPath(cache) + QStringLiteral("/korvia/undo");
}

QString fileExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    if (dot < 0 || dot < slash)
        return QString();
    return name.mid(dot);
}

QString changeFileExt(const QString &name, const QString &ext)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    if (dot < 0 || dot < slash)
        return name + ext;
    return name.left(dot) + ext;
}

QString extractFileName(const QString &name)
{
    return name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
}

QByteArray encodeJpeg(const QImage &bitmap, int quality)
{
    return encodeJpegWith(bitmap, quality, {});
}

QImage decodeJpeg(const QByteArray &data)
{
    return decodeJpegBytes(unsignedBytes(data), static_cast<std::size_t>(data.size()), imageTexts::tr("JPEG データ"));
}
