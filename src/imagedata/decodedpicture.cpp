#include "decodedpicture.h"
#include "imagedata/texts.h"

#include "imageerror.h"
#include "jpegcoding.h"
#include "picturememory.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
void releasePictureBytes(void *bytes)
{
    pictureMemoryRelease()(static_cast<std::uint8_t *>(bytes));
}
} // namespace

void checkPictureSize(long long width, long long height, const QString &what)
{
    if (width <= 0 || height <= 0)
        throw imageError(imageTexts::tr("%1 の画像の大きさが正しくありません（%2 × %3 画素）。")
                             .arg(what, QString::number(width), QString::number(height)));
    long long pixels = 0;
    if (__builtin_mul_overflow(width, height, &pixels) || pixels > maxPicturePixels)
        throw imageError(tooLargeText(what, width, height));
}

QString tooShortText(const QString &what, const char *format, long long width, long long height)
{
    return unreadableText(what, format, QStringLiteral("the picture data is too short for %1 x %2 pixels")
                                            .arg(QString::number(width), QString::number(height)));
}

QImage newDecodedPicture(long long width, long long height, const QString &what, readingBudget &budget)
{
    checkPictureSize(width, height, what);
    budget.take(bitmapBytes(width, height), width, height);
    // Picture memory (2 MB pages where there are), which the kernel fills far faster on first touch.
    const qsizetype stride = static_cast<qsizetype>(width) * 4;
    pictureBytes bytes = allocatePictureBytes(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    QImage picture;
    if (bytes && width <= 0x1FFFFFFF)
        picture = QImage(bytes.get(), static_cast<int>(width), static_cast<int>(height), stride, QImage::Format_RGB32,
                         releasePictureBytes, bytes.get());
    if (picture.isNull())
        throw imageError(noMemoryText(what, width, height));
    bytes.release(); // the picture frees it now
    return picture;
}

void bgraRowOverWhite(std::uint8_t *row, int width)
{
    for (int x = 0; x < width; ++x, row += 4) {
        const std::uint32_t a = row[3];
        if (a != 255) {
            row[0] = overWhite(row[0], a);
            row[1] = overWhite(row[1], a);
            row[2] = overWhite(row[2], a);
            row[3] = 0xFF;
        }
    }
}

QString unreadableText(const QString &what, const char *format, const QString &detail)
{
    return imageTexts::tr("%1 を %2 画像として読み込めません: %3").arg(what, QLatin1String(format), detail);
}

pictureFile::pictureFile(const QString &name, mapping) : pictureFile(name, true) {}

pictureFile::~pictureFile()
{
    if (map)
        ::munmap(map, mapSize);
}

pictureFile::pictureFile(const QString &name) : pictureFile(name, false) {}

pictureFile::pictureFile(const QString &name, bool mapIt)
{
    const QByteArray native = QFile::encodeName(name);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        throw imageError(imageTexts::tr("%1 を開けません: %2").arg(name, QString::fromLocal8Bit(std::strerror(error))));
    }
    // The size when opened: bytes a writer appends meanwhile are not waited for.
    const std::size_t size = static_cast<std::size_t>(std::max<off_t>(info.st_size, 0));
    if (mapIt && size > 0 && S_ISREG(info.st_mode)) {
        void *at = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (at != MAP_FAILED) {
            ::close(fd);
            map = at;
            mapSize = size;
            bytes = QByteArray::fromRawData(static_cast<const char *>(at), static_cast<qsizetype>(size));
            return;
        }
    }
    memory = allocatePictureBytes(size + 1);
    std::size_t done = 0;
    int error = memory ? 0 : ENOMEM;
    while (!error && done < size) {
        const ssize_t n = ::read(fd, memory.get() + done, size - done);
        if (n < 0 && errno != EINTR)
            error = errno;
        else if (n == 0)
            break;
        else if (n > 0)
            done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (error)
        throw imageError(imageTexts::tr("%1 を読み込めません: %2").arg(name, QString::fromLocal8Bit(std::strerror(error))));
    bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(memory.get()), static_cast<qsizetype>(done));
}
