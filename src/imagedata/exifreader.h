// EXIF reader: finds the EXIF segment of a JPEG file by its byte patterns, follows the TIFF
// structure (byte order, IFD0, the EXIF sub-IFD) and turns the tags it knows into Japanese
// display texts. Read-only, and safe on any bytes: every read is bounded by the file's size.
#pragma once
#include "picturemetadata.h"

#include <QString>
#include <cstdint>
#include <vector>

class exifReader {
public:
    QString fileName;   // without folder
    std::int32_t fileSize = 0;
    std::int32_t app1Offset = 0;
    std::int32_t tiffOffset = 0;
    std::int32_t byteOrder = -1; // -1 unknown, 0 little-endian ("II"), 1 big-endian ("MM")
    std::int32_t entryCount = 0;
    QString exifVersion, makerName, modelName, dateTime, shutterSpeedValue, apertureValue,
        exposureMode, meteringMode, isoSpeedRatings, focalLength, maxApertureValue,
        subjectDistance, useFlash;

    // Reads the whole file and decodes it; returns whether the file exists.
    bool readExif(const QString &path);
    // The record of a picture opened as `type` (loadImageFile's result): a JPEG or BMP file is
    // read by readExif; any other format's record comes from its metadata, decoded as the same
    // record inside a JPEG file would be.
    void readPictureExif(const QString &path, int type, const pictureMetadata &metadata);
    // Decodes a file already in memory (what readExif does after reading; also the fuzz entry).
    void readExifBytes(const std::uint8_t *data, std::int32_t size, const QString &name);

    // The steps of a decode; buffer holds fileSize bytes. Each reader returns false when its
    // bound check fails (nothing is read then).
    bool findExifHeader(const std::uint8_t *buffer);
    bool decodeExif(const std::uint8_t *buffer);
    bool readInteger(const std::uint8_t *buffer, std::int64_t position, int n, std::int32_t &value) const;
    bool readString(const std::uint8_t *buffer, std::int64_t position, std::int64_t count, QString &text) const;
    bool readRational(const std::uint8_t *buffer, std::int64_t position, double &value) const;
    // First position >= start below fileSize - length where pattern stands, or -1.
    std::int64_t findBytes(const std::uint8_t *buffer, std::int64_t size, const std::uint8_t *pattern,
                           int length, std::int64_t start) const;
};

// value rounded once, half away from zero, to the coarser of `decimals` decimals and four
// significant digits, then written with exactly `decimals` decimals ("2.3" for 2.25 and 1).
QString fixedText(double value, int decimals);

// One line of the picture information page: its fixed label, the objectName of the value
// caption, and the value shown there.
struct pictureInfoLine {
    const char *label;
    const char *control;
    QString value;
};

// The lines of the picture information page in page order: width, height, pixel count, the
// thirteen camera values, the file name.
std::vector<pictureInfoLine> pictureInfo(int width, int height, const exifReader &exif,
                                         const QString &name);
