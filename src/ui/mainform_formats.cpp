// Saving in place a picture whose format Korvia reads but does not write (HEIF, AVIF, camera
// RAW): the picture goes beside the original as a JPEG file, written like any save (off the
// window's thread from the commands), the original is never touched, and once the file is there
// the picture takes its name and the user is told where it went.
#include "mainform.h"
#include "mainform_state.h"

#include "widgets/dialogservice.h"
#include "imagedata/filenames.h"
#include "imagedata/imagedocument.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/picturemetadata.h"

#include <QFileInfo>

// A HEIF/AVIF or RAW picture, which cannot be written back; as saveDocument.
void TmainForm::saveBesideAsJpeg(int index, bool inBackground, const std::function<void()> &afterSaved)
{
    imageDocument *d = documentAt(index);
    if (!d) return;
    QString written = writtenFileName(d->path, 1);
    if (written == d->path) // a HEIF file named photo.jpeg: its own name is not free
        written = changeFileExt(d->path, QString()) + QStringLiteral("-korvia.jpeg");
    if (QFileInfo::exists(written)
        && !dialogs().question(this, TmainForm::tr("ファイルは存在します。上書きしますか? %1").arg(written), QString()))
        throw operationAbandoned();
    const int quality = askJpegQuality(); // cancelled: nothing is written
    // Written like any save; the picture takes the JPEG's name, and the user is told, only once
    // the file is there.
    const QImage picture = d->bitmap;
    const pictureMetadata metadata = d->metadata;
    writeThenFinish(
        inBackground,
        [picture, written, quality, metadata](const progressIndicator &) {
            writeImageFile(picture, written, 1, quality, &metadata);
        },
        [this, d, index, written, afterSaved] {
            const QString original = d->name;
            d->path = written;
            d->name = extractFileName(written);
            d->fileType = 1;
            d->clearHistory();
            d->unchanged = true;
            refreshControls();
            if (documentAt(index) == d) state->editingList[index]->refreshElement();
            dialogs().message(this,
                              TmainForm::tr("%1 の形式には書き込めないため、JPEG ファイル %2 として元のファイルと同じフォルダーに"
                                             "保存しました。元のファイルはそのままです。")
                                  .arg(printableName(original), printableName(d->name)),
                              TmainForm::tr("メッセージ"));
            if (afterSaved) afterSaved();
        });
}
