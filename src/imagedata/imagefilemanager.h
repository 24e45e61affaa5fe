// Picture files: the file type by extension, reading JPEG and BMP files into 32-bit bitmaps
// (QImage::Format_RGB32), writing JPEG (quality 1..100) and 32-bit BMP files safely (one
// temporary file in the same folder renamed over the target, see safewrite.h), the names files
// are written under, and the per-user scratch directory of the undo history.
//
// A JPEG is read upright (its EXIF orientation applied), and its camera record, XMP and colour
// profile can travel with the picture into the JPEG files it is saved as (picturemetadata.h).
//
// Names use POSIX separators: the extension is the part from the last "." after the last "/".
// Every failure to read, decode or write is thrown as imageError with a message in Japanese
// (the technical detail after it); the target bitmap or file is left untouched when that happens.
#pragma once
#include "picturemetadata.h"
#include "safewrite.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <functional>

// 0 unknown, 1 JPEG (".jpeg", ".jpg", ".JPEG", ".JPG"), 2 BMP (".bmp", ".BMP"); case-sensitive.
// The formats beyond them (PNG 3, TIFF 4, WebP 5, HEIF/AVIF 6, RAW 7, JPEG XL 8) by the extensions in
// picturesignature.h.
int imageFileType(const QString &name);

// Reads the file into bitmap and returns its type: a name of type 0 is not read; otherwise the
// file's bytes decide the format (contentPictureType), so a PNG named photo.jpg reads as PNG and
// gives 3. Type 0 leaves bitmap untouched
// apart from its format being Format_RGB32 (an empty bitmap stays 0 x 0). On failure the bitmap
// keeps its old contents and imageError is thrown. A JPEG comes back upright; metadata, when
// given, receives its kept segments (nothing for a BMP; untouched for type 0).
int loadImageFile(QImage &bitmap, const QString &name);
int loadImageFile(QImage &bitmap, const QString &name, pictureMetadata *metadata);
// The same; jpegFile, when given, receives the file's bytes when they are a JPEG, else nothing.
int loadImageFile(QImage &bitmap, const QString &name, pictureMetadata *metadata, QByteArray *jpegFile);

// The size loadImageFile would give (upright), read from the headers without decoding the
// pixels; a BMP gets the same checks of its data. Throws imageError, also for type 0.
QSize pictureFileSize(const QString &name);
// The same, also giving the type the bytes decide, and the records (the camera's EXIF, XMP, the
// colour profile) into metadata when given: every format from its headers alone, with its
// reader's checks of the declared size (readPictureHeader).
QSize pictureFileSize(const QString &name, int *type, pictureMetadata *metadata);

// The message for a name none of the accepted extensions ends: it names them.
QString unknownTypeText(const QString &name);

// Writes bitmap as JPEG (type 1, under writtenFileName(name, 1), quality 1..100), as a 32-bit
// uncompressed BMP (type 2), a PNG (3), a Deflate TIFF (4), a WebP (5) or a JPEG XL (8) file
// (quality 1..99 lossy, 100 lossless, for both), each under writtenFileName(name, type); other
// types write nothing.
// An existing file of that name is replaced only once the new one is completely written.
// JPEG, PNG, TIFF, WebP and JPEG XL carry metadata's records when given (patched for the picture); a BMP
// never does.
void saveImageFile(const QImage &bitmap, const QString &name, int type, int quality,
                   const pictureMetadata *metadata = nullptr);

// The same, under exactly the name target whatever its extension; with existingTarget::keep an
// existing file is never replaced (targetTaken, see safewrite.h).
void writeImageFile(const QImage &bitmap, const QString &target, int type, int quality,
                    const pictureMetadata *metadata = nullptr, existingTarget existing = existingTarget::replace);

// The name saveImageFile writes for (name, type): the extension replaced by ".jpeg" (type 1),
// ".BMP" (type 2), ".png", ".tif", ".webp" or ".jxl" (3 to 5, 8); name itself for other types.
QString writtenFileName(const QString &name, int type);

// The name the save commands write under: name itself when its extension is one of the type's
// (photo.JPG, 1 -> photo.JPG), else the last extension replaced as by writtenFileName
// (holiday.2009.jpg, 2 -> holiday.2009.BMP). Other types: the extension removed.
QString saveFileName(const QString &name, int type);

// The type a save under a new name writes: the type of the name's extension when Korvia writes
// that format (photo.png is a PNG, photo.tif a TIFF, whatever the dialog's type box shows), else
// chosen (the type box's). The name then stays as typed (saveFileName).
int saveFileType(const QString &name, int chosen);

// Makes sure path is a directory of this user (created with mode 0700 if missing, one level);
// a symlink, a non-directory, a directory of another user or a failed creation throws
// imageError with folderFailureText.
void ensureDirectory(const QString &path);

// "The undo folder <path> cannot be made: <reason>", in Japanese; the reason is strerror(error).
QString folderFailureText(const QString &path, const QString &reason);
QString folderFailureText(const QString &path, int error);

// The scratch directory of the undo snapshots: $XDG_CACHE_HOME (when absolute, else ~/.cache)
// + "/korvia/undo". Each running instance keeps a folder of its own inside (instancefolder.h).
QString scratchDirectory();

// File-name helpers. fileExtension("a/b.c/d.jpg") == ".jpg", fileExtension("a/b.c/d") == "".
QString fileExtension(const QString &name);
// Replaces the extension (or appends ext when there is none).
QString changeFileExt(const QString &name, const QString &ext);
// The name without its directory.
QString extractFileName(const QString &name);

// In-memory JPEG coding through the same libjpeg code as the file routines.
// encodeJpeg throws imageError if the picture cannot be encoded; decodeJpeg throws imageError on
// corrupt or truncated data and returns a Format_RGB32 picture.
QByteArray encodeJpeg(const QImage &bitmap, int quality);
QImage decodeJpeg(const QByteArray &data);

// Test hook: when set, called with the temporary file's name after it has been written and
// before it is renamed over the target; returning false makes the write fail as a full disk
// would. Empty in normal use.
using saveFailureHook = std::function<bool(const QString &temporaryName)>;
saveFailureHook setSaveFailureHook(saveFailureHook hook);
