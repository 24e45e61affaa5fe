// Camera records through Exiv2 where a format keeps its EXIF values in its own structure rather
// than as one block: TIFF files and camera RAW files. Every Exiv2 failure means "no record":
// metadata is an extra, never a reason to refuse a picture.
#pragma once
#include <QByteArray>

// The camera record of a file Exiv2 reads (TIFF, DNG, CR2, CR3, NEF, ARW, RAF, ORF, RW2) as an
// EXIF payload (a TIFF record without "Exif\0\0"): the main directory's descriptive tags, the
// EXIF, GPS and interoperability directories, no maker notes, thumbnails or picture structure.
// xmp, when given, receives the file's XMP packet. Empty when there is none or on any failure.
QByteArray cameraRecordOf(const QByteArray &file, QByteArray *xmp = nullptr);

// A TIFF file's bytes with the values of the EXIF payload written into its own directories
// (its own structure tags untouched, the tags only a JPEG holds left out: components, bits a
// pixel, the pixel sizes, the interoperability directory). The file unchanged when Exiv2 cannot do it.
QByteArray tiffWithCameraRecord(const QByteArray &tiff, const QByteArray &exifPayload);

// What a RAW reader knows of the shot, for files whose own record Exiv2 cannot reach.
struct cameraValues {
    QByteArray make, model;
    long long timestamp = 0; // seconds since 1970 (local camera time), 0 unknown
    double iso = 0, exposureTime = 0, fNumber = 0, focalLength = 0; // 0 unknown
};

// An EXIF payload holding the known values above; empty when there is no make or model.
QByteArray cameraRecordFrom(const cameraValues &values);
