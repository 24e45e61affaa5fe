// The picture formats beyond JPEG and BMP: their type numbers (which are also the save dialog's
// filter indexes after JPEG 1 and BMP 2), their extensions, telling a file's format from its
// first bytes, and the coders behind loadImageFile and writeImageFile for them.
//
// A file is read by what its bytes are, whatever its name says; the name only decides where the
// bytes alone cannot: a TIFF structure named as a camera RAW file goes to the RAW reader.
#pragma once
#include "decodedpicture.h"
#include "picturemetadata.h"

#include <QByteArray>
#include <QImage>
#include <QString>

enum pictureFileType : int {
    unknownPicture = 0,
    jpegPicture = 1,
    bmpPicture = 2,
    pngPicture = 3,  // written too
    tiffPicture = 4, // written too (Deflate)
    webpPicture = 5, // written too (quality from the JPEG quality window, 100 lossless)
    heifPicture = 6, // HEIF, HEIC and AVIF: read only
    rawPicture = 7,  // DNG and camera RAW files: read only
    jxlPicture = 8,  // JPEG XL, written too (quality as WebP); the save dialog's sixth filter
};

// The type of an extension among the formats above PNG ("" gives 0): each extension in lower or
// upper case (".png", ".PNG", ".tif", ".tiff", ".webp", ".heic", ".heif", ".avif", ".dng", ".cr2",
// ".cr3", ".nef", ".arw", ".raf", ".orf", ".rw2", ".jxl").
int extensionPictureType(const QString &extension);

// The format of a file from its first bytes; byName is the type its name gives, used for what
// the bytes leave open (RAW files built on TIFF) and returned when no signature is recognised.
int contentPictureType(const QByteArray &bytes, int byName);

// Whether Korvia writes files of the type (JPEG, BMP, PNG, TIFF, WebP, JPEG XL).
bool writablePictureType(int type);
// Whether a save of the type asks for a quality (JPEG, WebP and JPEG XL).
bool qualityPictureType(int type);
// The extension written for PNG, TIFF, WebP and JPEG XL (".png", ".tif", ".webp", ".jxl"); empty
// for the others.
QString writtenPictureExtension(int type);

// The save dialog's filters are JPEG, BMP, then saveFilterAddition's: the filter (counted from 1)
// of a written type, and the type of a filter (JPEG for one out of range).
int saveFilterOfType(int type);
int typeOfSaveFilter(int filter);

// Reads a PNG, TIFF, WebP, HEIF, RAW or JPEG XL file's bytes into a picture as stored, its records into
// metadata; orientation receives the EXIF orientation still to apply (1 where the reader has
// turned the picture already). Throws imageError naming `what`.
QImage decodePictureBytes(int type, const QByteArray &bytes, const QString &what, pictureMetadata &metadata,
                          int &orientation);

// What the headers of a PNG, TIFF, WebP, HEIF, RAW or JPEG XL file's bytes say, without decoding the
// pixels: the size as decodePictureBytes would give it (stored), the orientation still to apply,
// the records into metadata; with the reader's own checks of the declared size (the pixel
// limit, what the bytes can describe, the budget). Throws imageError naming `what`.
pictureHeader readPictureHeader(int type, const QByteArray &bytes, const QString &what, pictureMetadata &metadata);

// The file bytes of a PNG, TIFF, WebP or JPEG XL file of the picture, with metadata's records made upright
// for it. Throws imageError.
QByteArray encodePictureBytes(int type, const QImage &picture, int quality, const pictureMetadata *metadata);

// The open dialog's filter text after the JPEG and BMP filters, ending with every picture, and
// the save dialog's after them: "|PNG (*.png)|*.png|..." each.
QString openFilterAddition();
QString saveFilterAddition();
