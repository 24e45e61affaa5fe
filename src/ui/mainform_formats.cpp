// Saving in place a picture whose format Korvia reads but does not write (HEIF, AVIF, camera
// RAW): the picture goes beside the original as a JPEG file, the original is never touched, and
// the user is told where it went.
#include "mainform.h"

#include "widgets/dialogservice.h"
#include "imagedata/imagedocument.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"
#include "jpegqualitywindow.h"

#include <QFileInfo>

void TmainForm::saveBesideAsJpeg(int index)
{
    imageDocument *d = documentAt(index);
    if (!d) return;
    QString written = writtenFileName(d->path, 1);
    if (written == d->path) // a HEIF file named photo.jpeg: its own name is not free
        written = changeFileExt(d->path, QString()) + QStringLiteral("-korvia.jpeg");
    if (QFileInfo::exists(written)
        && !dialogs().question(this, QStringLiteral("ファイルは存在します。上書きしますか? ") + written, QString()))
        throw operationAbandoned();
    dialogs().showModal(jpegQualityForm);
    const int quality = jpegQualityForm->quality();
    writeImageFile(d->bitmap, written, 1, quality, &d->metadata);
    const QString original = d->name;
    d->path = written;
    d->name = extractFileName(written);
    d->fileType = 1;
    d->clearHistory();
    d->unchanged = true;
    refreshControls();
    editingList[index]->refreshElement();
    dialogs().message(this,
                      QStringLiteral("%1 の形式には書き込めないため、JPEG ファイル %2 として元のファイルと同じフォルダーに"
                                     "保存しました。元のファイルはそのままです。")
                          .arg(original, d->name),
                      QStringLiteral("メッセージ"));
}
