#include "imagefilemanager.h"

#include "imageerror.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

namespace {

const char *const scratchDirectoryText = "Cannot create c:\\temp directory.";

// Pictures above this many pixels are refused before any memory is taken for them: the planes
// and the undo snapshots of the rest of the program count pixels in 32-bit integers.
constexpr long long largestPicture = 400LL * 1000 * 1000;

saveFailureHook &failureHook()
{
    static saveFailureHook hook;
    return hook;
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// ---------------------------------------------------------------------------------------------
// libjpeg glue. Errors leave libjpeg by longjmp back into the routine that set the jump; the
// routines between setjmp and the jump hold only trivially destructible locals.

struct jpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr cinfo)
{
    auto *manager = reinterpret_cast<jpegErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

// Warnings that mean the picture data is damaged (a decoder would otherwise fill the rest of
// the picture with grey and carry on) are treated as errors; harmless ones are ignored.
void jpegEmitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    switch (cinfo->err->msg_code) {
    case JWRN_ARITH_BAD_CODE:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_JPEG_EOF:
    case JWRN_MUST_RESYNC:
        jpegErrorExit(cinfo);
        break;
    default:
        cinfo->err->num_warnings++;
        break;
    }
}

void installErrorManager(jpegErrorManager &manager)
{
    jpeg_std_error(&manager.pub);
    manager.pub.error_exit = jpegErrorExit;
    manager.pub.emit_message = jpegEmitMessage;
    manager.message[0] = '\0';
}

// CMYK as stored by the encoder into RGB. Adobe writers store the inks inverted (255 = no ink),
// which is what nearly every CMYK JPEG holds; others store them plainly.
void cmykRowToBgrx(const std::uint8_t *cmyk, std::uint8_t *bgrx, int width, bool inverted)
{
    for (int c = 0; c < width; ++c) {
        int cy = cmyk[c * 4], ma = cmyk[c * 4 + 1], ye = cmyk[c * 4 + 2], k = cmyk[c * 4 + 3];
        if (!inverted) {
            cy = 255 - cy;
            ma = 255 - ma;
            ye = 255 - ye;
            k = 255 - k;
        }
        bgrx[c * 4] = static_cast<std::uint8_t>(ye * k / 255);
        bgrx[c * 4 + 1] = static_cast<std::uint8_t>(ma * k / 255);
        bgrx[c * 4 + 2] = static_cast<std::uint8_t>(cy * k / 255);
        bgrx[c * 4 + 3] = 0xFF;
    }
}

void releaseMapping(void *info)
{
    const auto *mapping = static_cast<std::pair<void *, std::size_t> *>(info);
    ::munmap(mapping->first, mapping->second);
    delete mapping;
}

// A new Format_RGB32 picture for the decoder (null when out of memory). Large ones are mapped
// with huge pages where the system allows it: a 24-megapixel picture then costs a few dozen page
// faults instead of twenty thousand, a good part of the decoding time.
QImage newPicture(int width, int height)
{
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
#if defined(MADV_HUGEPAGE)
    if (bytes >= (std::size_t(8) << 20)) {
        void *memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory != MAP_FAILED) {
            ::madvise(memory, bytes, MADV_HUGEPAGE);
            auto *mapping = new (std::nothrow) std::pair<void *, std::size_t>(memory, bytes);
            if (!mapping) {
                ::munmap(memory, bytes);
                return QImage();
            }
            QImage picture(static_cast<uchar *>(memory), width, height, static_cast<qsizetype>(width) * 4,
                           QImage::Format_RGB32, releaseMapping, mapping);
            if (picture.isNull())
                releaseMapping(mapping);
            return picture;
        }
    }
#endif
    return QImage(width, height, QImage::Format_RGB32);
}

enum class decodeResult { done, libjpegError, tooLarge, noMemory, unsupported };

decodeResult decodeCore(jpeg_decompress_struct *cinfo, jpegErrorManager *manager, QImage *out,
                        std::vector<std::uint8_t> *cmykRow, const unsigned char *data,
                        unsigned long size)
{
    if (setjmp(manager->jump))
        return decodeResult::libjpegError;
    jpeg_mem_src(cinfo, data, size);
    jpeg_read_header(cinfo, TRUE);
    bool cmyk = false;
    switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        cinfo->out_color_space = JCS_EXT_BGRX;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo->out_color_space = JCS_CMYK;
        cmyk = true;
        break;
    default:
        return decodeResult::unsupported;
    }
    const long long pixels = static_cast<long long>(cinfo->image_width) * cinfo->image_height;
    if (pixels > largestPicture)
        return decodeResult::tooLarge;
    jpeg_start_decompress(cinfo);
    const int width = static_cast<int>(cinfo->output_width);
    const int height = static_cast<int>(cinfo->output_height);
    *out = newPicture(width, height);
    if (out->isNull())
        return decodeResult::noMemory;
    std::uint8_t *bits = out->bits();
    const qsizetype stride = out->bytesPerLine();
    if (cmyk) {
        cmykRow->resize(static_cast<std::size_t>(width) * 4);
        const bool inverted = cinfo->saw_Adobe_marker;
        while (cinfo->output_scanline < cinfo->output_height) {
            const int row = static_cast<int>(cinfo->output_scanline);
            JSAMPROW rows[1] = {cmykRow->data()};
            jpeg_read_scanlines(cinfo, rows, 1);
            cmykRowToBgrx(cmykRow->data(), bits + stride * row, width, inverted);
        }
    } else {
        JSAMPROW rows[16];
        while (cinfo->output_scanline < cinfo->output_height) {
            const int row = static_cast<int>(cinfo->output_scanline);
            const int count = std::min(16, height - row);
            for (int i = 0; i < count; ++i)
                rows[i] = bits + stride * (row + i);
            jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(count));
        }
    }
    jpeg_finish_decompress(cinfo);
    return decodeResult::done;
}

// Decodes JPEG bytes into a new Format_RGB32 picture; `what` names the source in messages.
QImage decodeJpegBytes(const unsigned char *data, std::size_t size, const QString &what)
{
    if (size == 0)
        throw imageError(QStringLiteral("%1 is empty and holds no JPEG picture.").arg(what));
    jpeg_decompress_struct cinfo;
    jpegErrorManager manager;
    installErrorManager(manager);
    cinfo.err = &manager.pub;
    jpeg_create_decompress(&cinfo);
    QImage picture;
    std::vector<std::uint8_t> cmykRow;
    decodeResult result;
    try {
        result = decodeCore(&cinfo, &manager, &picture, &cmykRow, data, static_cast<unsigned long>(size));
    } catch (const std::bad_alloc &) {
        result = decodeResult::noMemory; // the CMYK row buffer
    }
    const QString width = QString::number(cinfo.image_width), height = QString::number(cinfo.image_height);
    jpeg_destroy_decompress(&cinfo);
    switch (result) {
    case decodeResult::done:
        return picture;
    case decodeResult::libjpegError:
        throw imageError(QStringLiteral("%1 could not be read as a JPEG picture: %2")
                             .arg(what, QString::fromLocal8Bit(manager.message)));
    case decodeResult::tooLarge:
        throw imageError(QStringLiteral("%1 is too large to open (%2 x %3 pixels).").arg(what, width, height));
    case decodeResult::noMemory:
        throw imageError(QStringLiteral("Not enough memory to open %1 (%2 x %3 pixels).").arg(what, width, height));
    case decodeResult::unsupported:
        break;
    }
    throw imageError(QStringLiteral("%1 uses a colour space that cannot be opened.").arg(what));
}

bool encodeCore(jpeg_compress_struct *cinfo, jpegErrorManager *manager, const QImage *picture,
                int quality, unsigned char **buffer, unsigned long *size)
{
    if (setjmp(manager->jump))
        return false;
    jpeg_mem_dest(cinfo, buffer, size);
    cinfo->image_width = static_cast<JDIMENSION>(picture->width());
    cinfo->image_height = static_cast<JDIMENSION>(picture->height());
    cinfo->input_components = 4;
    cinfo->in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW rows[1] = {const_cast<JSAMPLE *>(picture->constScanLine(static_cast<int>(cinfo->next_scanline)))};
        jpeg_write_scanlines(cinfo, rows, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

QImage asRgb32(const QImage &bitmap)
{
    if (bitmap.format() == QImage::Format_RGB32)
        return bitmap;
    QImage converted = bitmap.convertToFormat(QImage::Format_RGB32);
    if (converted.isNull() && !bitmap.isNull())
        throw imageError(QStringLiteral("Not enough memory to convert the picture."));
    return converted;
}

// ---------------------------------------------------------------------------------------------
// Files.

QByteArray readWholeFile(const QString &name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        throw imageError(QStringLiteral("Cannot open the file %1: %2").arg(name, file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw imageError(QStringLiteral("Cannot read the file %1: %2").arg(name, file.errorString()));
    return bytes;
}

quint32 readLe32(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(b.constData()) + at;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 readLe16(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(b.constData()) + at;
    return static_cast<quint16>(p[0] | p[1] << 8);
}

// Checks the headers of a BMP file and that an uncompressed file holds all its rows, so a
// damaged or cut-off file is refused instead of coming back partly black.
void checkBmpBytes(const QByteArray &bytes, const QString &name)
{
    const QString damaged = QStringLiteral("%1 is not a readable BMP file: %2");
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M')
        throw imageError(damaged.arg(name, QStringLiteral("the file header is missing.")));
    const quint32 offBits = readLe32(bytes, 10);
    const quint32 infoSize = readLe32(bytes, 14);
    long long width = 0, height = 0;
    int bitCount = 0;
    quint32 compression = 0;
    if (infoSize == 12) {
        width = readLe16(bytes, 18);
        height = readLe16(bytes, 20);
        bitCount = readLe16(bytes, 24);
    } else if (infoSize >= 16 && bytes.size() >= 14 + 16) {
        width = static_cast<qint32>(readLe32(bytes, 18));
        height = static_cast<qint32>(readLe32(bytes, 22));
        bitCount = readLe16(bytes, 28);
        if (infoSize >= 20 && bytes.size() >= 34)
            compression = readLe32(bytes, 30);
    } else {
        throw imageError(damaged.arg(name, QStringLiteral("the picture header is damaged.")));
    }
    if (bytes.size() < 14 + static_cast<qsizetype>(infoSize))
        throw imageError(damaged.arg(name, QStringLiteral("the file is cut off.")));
    if (height < 0)
        height = -height;
    if (width <= 0 || height <= 0)
        throw imageError(damaged.arg(name, QStringLiteral("the picture size is invalid.")));
    if (width * height > largestPicture)
        throw imageError(QStringLiteral("%1 is too large to open (%2 x %3 pixels).")
                             .arg(name, QString::number(width), QString::number(height)));
    if (offBits >= static_cast<quint32>(bytes.size()))
        throw imageError(damaged.arg(name, QStringLiteral("the file is cut off.")));
    if (compression == 1 || compression == 2) {
        // Walk the run-length codes: they must reach the end of the picture inside the file.
        const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
        const qsizetype end = bytes.size();
        qsizetype at = offBits;
        long long rows = 0;
        bool finished = false;
        while (!finished && at + 1 < end) {
            const int count = p[at], code = p[at + 1];
            at += 2;
            if (count > 0)
                continue;
            if (code == 0) {
                ++rows;
            } else if (code == 1) {
                finished = true;
            } else if (code == 2) {
                if (at + 1 >= end)
                    break;
                rows += p[at + 1];
                at += 2;
            } else {
                const qsizetype data = compression == 1 ? code : (code + 1) / 2;
                at += (data + 1) / 2 * 2;
            }
        }
        if (!finished && rows < height)
            throw imageError(damaged.arg(name, QStringLiteral("the file is cut off.")));
        if (at > end)
            throw imageError(damaged.arg(name, QStringLiteral("the file is cut off.")));
    } else if (compression == 0 || compression == 3 || compression == 6) {
        const long long rowBytes = (width * bitCount + 31) / 32 * 4;
        if (static_cast<long long>(offBits) + rowBytes * height > bytes.size())
            throw imageError(damaged.arg(name, QStringLiteral("the file is cut off.")));
    }
}

QImage decodeBmp(const QByteArray &bytes, const QString &name)
{
    checkBmpBytes(bytes, name);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setDecideFormatFromContent(false);
    reader.setAllocationLimit(static_cast<int>(largestPicture * 4 / (1024 * 1024)));
    QImage picture = reader.read();
    if (picture.isNull())
        throw imageError(QStringLiteral("%1 is not a readable BMP file: %2").arg(name, reader.errorString()));
    return asRgb32(picture);
}

// Writes through a temporary file in the target's folder, renamed over the target only once it
// is complete; on any failure the temporary is removed and the old target stays as it was.
template <typename Writer>
void writeSafely(const QString &target, Writer write)
{
    const QByteArray targetPath = QFile::encodeName(target);
    const qsizetype slash = target.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash >= 0 ? target.left(slash + 1) : QString();
    QByteArray temporary = QFile::encodeName(folder + QStringLiteral(".korvia-save-XXXXXX"));
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        throw imageError(QStringLiteral("Cannot write the file %1: %2").arg(target, systemText(errno)));
    const QString temporaryName = QFile::decodeName(temporary);
    auto fail = [&](const QString &why) {
        ::close(fd);
        ::unlink(temporary.constData());
        throw imageError(QStringLiteral("Cannot write the file %1: %2").arg(target, why));
    };
    struct stat old {};
    const bool replacing = ::stat(targetPath.constData(), &old) == 0;
    mode_t mode;
    if (replacing) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    const int error = write(fd);
    if (error != 0)
        fail(systemText(error));
    // Data must be on disk before the name moves over a file the user already has.
    if (replacing && ::fsync(fd) != 0)
        fail(systemText(errno));
    if (::close(fd) != 0) {
        const int closeError = errno;
        ::unlink(temporary.constData());
        throw imageError(QStringLiteral("Cannot write the file %1: %2").arg(target, systemText(closeError)));
    }
    if (failureHook() && !failureHook()(temporaryName)) {
        ::unlink(temporary.constData());
        throw imageError(QStringLiteral("Cannot write the file %1: %2").arg(target, systemText(ENOSPC)));
    }
    if (::rename(temporary.constData(), targetPath.constData()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.constData());
        throw imageError(QStringLiteral("Cannot write the file %1: %2").arg(target, systemText(renameError)));
    }
}

// Writes all bytes; 0 or the errno of the failure (a short write counts as a full disk).
int writeAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (done == 0)
            return ENOSPC;
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    return 0;
}

void putLe32(std::uint8_t *p, quint32 v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

void putLe16(std::uint8_t *p, quint16 v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

// A 32-bit uncompressed bottom-up BMP: 14-byte file header, 40-byte info header, then the rows.
int writeBmp(int fd, const QImage &picture)
{
    const int width = picture.width(), height = picture.height();
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    const unsigned long long imageBytes = static_cast<unsigned long long>(rowBytes) * static_cast<unsigned>(height);
    if (imageBytes + 54 > 0xFFFFFFFFULL)
        return EFBIG;
    std::uint8_t header[54] = {};
    header[0] = 'B';
    header[1] = 'M';
    putLe32(header + 2, static_cast<quint32>(imageBytes + 54));
    putLe32(header + 10, 54);
    putLe32(header + 14, 40);
    putLe32(header + 18, static_cast<quint32>(width));
    putLe32(header + 22, static_cast<quint32>(height));
    putLe16(header + 26, 1);
    putLe16(header + 28, 32);
    putLe32(header + 30, 0);
    putLe32(header + 34, static_cast<quint32>(imageBytes));
    putLe32(header + 38, 2835); // 72 dots per inch
    putLe32(header + 42, 2835);
    if (int error = writeAll(fd, reinterpret_cast<const char *>(header), sizeof header))
        return error;
    // Rows go out bottom first, gathered into blocks of about a megabyte.
    const int rowsPerBlock = std::max<int>(1, static_cast<int>((1 << 20) / std::max<std::size_t>(rowBytes, 1)));
    std::vector<char> block(rowBytes * static_cast<std::size_t>(std::min(rowsPerBlock, std::max(height, 1))));
    int row = height - 1;
    while (row >= 0) {
        std::size_t used = 0;
        for (int i = 0; i < rowsPerBlock && row >= 0; ++i, --row) {
            std::memcpy(block.data() + used, picture.constScanLine(row), rowBytes);
            used += rowBytes;
        }
        if (int error = writeAll(fd, block.data(), used))
            return error;
    }
    return 0;
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
    return 0;
}

int loadImageFile(QImage &bitmap, const QString &name)
{
    const int type = imageFileType(name);
    if (type == 1) {
        const QByteArray bytes = readWholeFile(name);
        bitmap = decodeJpegBytes(reinterpret_cast<const unsigned char *>(bytes.constData()),
                                 static_cast<std::size_t>(bytes.size()), name);
    } else if (type == 2) {
        bitmap = decodeBmp(readWholeFile(name), name);
    } else if (!bitmap.isNull() && bitmap.format() != QImage::Format_RGB32) {
        bitmap = asRgb32(bitmap);
    }
    return type;
}

void saveImageFile(const QImage &bitmap, const QString &name, int type, int quality)
{
    if (type == 1) {
        const QByteArray data = encodeJpeg(bitmap, quality);
        writeSafely(writtenFileName(name, 1), [&](int fd) { return writeAll(fd, data.constData(), static_cast<std::size_t>(data.size())); });
    } else if (type == 2) {
        if (bitmap.isNull())
            throw imageError(QStringLiteral("There is no picture to write to %1.").arg(writtenFileName(name, 2)));
        const QImage picture = asRgb32(bitmap);
        writeSafely(writtenFileName(name, 2), [&](int fd) { return writeBmp(fd, picture); });
    }
}

QString writtenFileName(const QString &name, int type)
{
    if (type == 1)
        return changeFileExt(name, QStringLiteral(".jpeg"));
    if (type == 2)
        return changeFileExt(name, QStringLiteral(".BMP"));
    return name;
}

QString saveFileName(const QString &name, int type)
{
    const QString stem = changeFileExt(name, QString());
    if (type == 2)
        return changeFileExt(stem, QStringLiteral(".BMP"));
    if (type == 1)
        return changeFileExt(stem, QStringLiteral(".jpeg"));
    return stem;
}

void ensureDirectory(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0) {
        if (errno != ENOENT || (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
            || ::lstat(native.constData(), &info) != 0)
            throw imageError(QString::fromLatin1(scratchDirectoryText));
    }
    // Only a real directory of this user will do: a symlink or someone else's folder could
    // send the snapshots anywhere.
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        throw imageError(QString::fromLatin1(scratchDirectoryText));
    // Exactly owner-only: no one else may look in, and an odd umask must not have taken the
    // owner's own rights away.
    if ((info.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0)
        throw imageError(QString::fromLatin1(scratchDirectoryText));
}

QString scratchDirectory()
{
    // The user's cache, not the shared temporary folder where another user could take the name.
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!QDir::isAbsolutePath(cache)) cache = QDir::homePath() + QStringLiteral("/.cache");
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
    if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0)
        throw imageError(QStringLiteral("There is no picture to write as JPEG."));
    if (bitmap.width() > JPEG_MAX_DIMENSION || bitmap.height() > JPEG_MAX_DIMENSION)
        throw imageError(QStringLiteral("The picture is too large for a JPEG file (at most %1 pixels a side).")
                             .arg(JPEG_MAX_DIMENSION));
    const QImage picture = asRgb32(bitmap);
    quality = std::clamp(quality, 1, 100);
    jpeg_compress_struct cinfo;
    jpegErrorManager manager;
    installErrorManager(manager);
    cinfo.err = &manager.pub;
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    const bool done = encodeCore(&cinfo, &manager, &picture, quality, &buffer, &size);
    jpeg_destroy_compress(&cinfo);
    if (!done) {
        std::free(buffer);
        throw imageError(QStringLiteral("The picture could not be encoded as JPEG: %1")
                             .arg(QString::fromLocal8Bit(manager.message)));
    }
    QByteArray data(reinterpret_cast<const char *>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return data;
}

QImage decodeJpeg(const QByteArray &data)
{
    return decodeJpegBytes(reinterpret_cast<const unsigned char *>(data.constData()),
                           static_cast<std::size_t>(data.size()), QStringLiteral("The data"));
}

saveFailureHook setSaveFailureHook(saveFailureHook hook)
{
    return std::exchange(failureHook(), std::move(hook));
}
