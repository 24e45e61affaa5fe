#include "batchapply.h"
#include "batchlossless.h"
#include "batchtexts.h"

#include "imagedata/imageerror.h"
#include "imagedata/filenames.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/messagesink.h"
#include "imagedata/picturesignature.h"

#include "colour/sharedrandom.h"

#include <QFileInfo>

#include <cstdio> // before jpeglib.h, which uses FILE
#include <jpeglib.h>

#include <webp/encode.h>

static_assert(largestJpegSide == JPEG_MAX_DIMENSION);
static_assert(largestWebpSide == WEBP_MAX_DIMENSION);

void applyOperationTo(QImage &bitmap, colorFilter &filter, const operationSettings &settings)
{
    settings.applyTo(filter);
    filter.runOnBitmap(bitmap);
}

void checkInputName(const QString &input)
{
    if (imageFileType(input) == 0) throw imageError(unknownTypeText(input));
    if (!QFileInfo(input).isFile()) throw imageError(batchTexts::tr("%1: ファイルがありません。").arg(input));
}

void checkOutputName(const QString &output)
{
    // The format is the name's: any Korvia writes, whatever it reads.
    const int type = imageFileType(output);
    if (!writablePictureType(type))
        throw imageError(batchTexts::tr("%1: 書き出せる画像の種類が分かりません。名前の末尾は .jpg、.jpeg、.JPG、"
                                        ".JPEG、.bmp、.BMP、.png、.tif、.tiff、.webp、.jxl のいずれかにしてください。").arg(output));
    const QFileInfo target(output);
    if (target.isDir()) throw imageError(batchTexts::tr("%1: フォルダーです。").arg(output));
    // A file the user has made read-only is not replaced behind their back.
    if (target.exists() && !target.isWritable()) throw imageError(batchTexts::tr("%1: 読み取り専用のファイルです。").arg(output));
    const QString folder = target.absolutePath();
    if (!QFileInfo(folder).isDir())
        throw imageError(batchTexts::tr("%1: フォルダー %2 がありません。").arg(output, folder));
}

void writeExactly(const QImage &bitmap, const QString &output, int quality, const pictureMetadata *metadata,
                  existingTarget existing)
{
    checkOutputName(output);
    writeImageFile(bitmap, output, imageFileType(output), quality, metadata, existing);
}

void runApply(const applyRequest &request)
{
    checkOutputName(request.output); // before the work, so a doomed run fails at once
    checkInputName(request.input);
    if (applyLosslessly(request)) return;

    QImage bitmap;
    pictureMetadata metadata; // written again into every output but a BMP
    loadImageFile(bitmap, request.input, &metadata);
    if (bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0)
        throw imageError(batchTexts::tr("%1: 画像が空です。").arg(request.input));

    if (request.seed) sharedRandom::instance().seed(static_cast<std::uint32_t>(*request.seed));

    colorFilter filter; // one engine for the whole run, as the window keeps one
    prepareShape shaper;
    QSize size = bitmap.size();
    for (const applyRequest::step &step : request.steps)
        if (step.resultSize) size = step.resultSize(size, shaper);
    const int outputType = imageFileType(request.output);
    const int largestSide = outputType == jpegPicture ? largestJpegSide : outputType == webpPicture ? largestWebpSide : 0;
    if (largestSide && (size.width() > largestSide || size.height() > largestSide))
        throw imageError(batchTexts::tr("%1: 結果の画像（%2 × %3 画素）は %4 ファイルにできません（一辺 %5 画素まで）。")
                             .arg(request.output, QString::number(size.width()), QString::number(size.height()),
                                  outputType == jpegPicture ? QStringLiteral("JPEG") : QStringLiteral("WebP"),
                                  QString::number(largestSide)));

    for (const applyRequest::step &step : request.steps) step.run(bitmap, filter, shaper);

    writeExactly(bitmap, request.output, request.quality, &metadata, request.existing);
    // Every format but BMP carries the records on: say what it left out of them.
    if (imageFileType(request.output) != 2)
        if (const QString note = metadata.leftOutNote(); !note.isEmpty())
            showMessage(note);
}
