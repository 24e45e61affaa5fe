// EXIF reader: finds the EXIF segment of a JPEG file by its byte patterns, follows the TIFF
// structure (byte order, IFD0, the EXIF sub-IFD) and turns the tags it knows into Japanese
// display texts. Read-only, and safe on any bytes: every read is bounded by the file's size.
#pragma once
#include <QString>
#include <cstdint>

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
    // Decodes a file already in memory (what readExif does after reading; also the fuzz entry).
    void readExifBytes(const std::uint8_t *data, std::int32_t size, const QString &name);
};
