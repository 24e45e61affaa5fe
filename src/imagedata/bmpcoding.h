// Windows BMP files: reading every common variant (1, 2, 4, 8 bits with a palette, run-length
// coded 4 and 8 bits, 16 and 32 bits with or without bit fields, 24 bits; Windows, OS/2 and V4/V5
// headers; bottom-up or top-down) into Format_RGB32, and writing 32-bit uncompressed files.
//
// Before any pixel memory is taken the declared size is checked against what the file's bytes
// can describe: the rows of an uncompressed file must all be there, and the run-length codes
// must reach the picture's end, whose bitmap must be within what a file of its size may cost
// (pictureMemoryFor: codes may skip pixels, which keep palette colour 0). So a small file can
// never make the reader allocate a large picture. Channels narrower than 8 bits are widened by
// repeating their high bits, so the largest value is 255.
#pragma once
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// The picture in the file; `what` names it in messages. Throws imageError, or operationCancelled
// within 16 rows once the cancel in force (workerpool.h) is asked for.
QImage decodeBmp(const QByteArray &bytes, const QString &what);

// The size decodeBmp would return, from the headers and the same checks, without decoding.
QSize bmpPictureSize(const QByteArray &bytes, const QString &what);

// Writes picture (Format_RGB32) as a 32-bit uncompressed bottom-up BMP; 0 or an errno. A save
// stopped by the cancel in force (workerpool.h) throws operationCancelled between blocks of rows.
int writeBmp(int fd, const QImage &picture);
