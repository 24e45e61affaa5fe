// korvia-batch apply: load a picture, run its colour operations, transforms and recipes with the same
// engine steps as the window's execute command, and write exactly the output file asked for.
#pragma once
#include "applyrequest.h"
#include "colour/filteroperations.h"
#include "imagedata/picturemetadata.h"
#include "imagedata/safewrite.h"

#include <QImage>
#include <QString>

// The largest side of a JPEG file (libjpeg's limit) and of a WebP file.
constexpr int largestJpegSide = 65500;
constexpr int largestWebpSide = 16383;

// Runs one operation on the bitmap (Format_RGB32): planes, engine set-up, run, planes back.
void applyOperationTo(QImage &bitmap, colorFilter &filter, const operationSettings &settings);

// Throws imageError unless `input` names an existing file of an accepted picture type.
void checkInputName(const QString &input);

// Throws imageError unless `output` can be written: an accepted picture extension, not a folder,
// not a read-only file, in an existing folder.
void checkOutputName(const QString &output);

// Writes bitmap to exactly `output` (type from its extension) through one temporary file beside
// it; every format but BMP carries metadata when given. Nothing is left behind on failure or
// interruption, and an existing `output` is replaced only by a completely written file, and with
// existingTarget::keep never (targetTaken). Throws imageError.
void writeExactly(const QImage &bitmap, const QString &output, int quality,
                  const pictureMetadata *metadata = nullptr, existingTarget existing = existingTarget::replace);

// The whole command; a JPEG whose steps are only turns, mirrors and trims on the block grid is
// written from its stored blocks when the output is a JPEG (batchlossless.h). Throws imageError / operationError / operationAbandoned on failure. The size
// of every step's result is checked before the first step runs: a result larger than the largest
// picture Korvia opens, or a JPEG or WebP output larger than such a file can be, is refused before
// any work.
void runApply(const applyRequest &request);
