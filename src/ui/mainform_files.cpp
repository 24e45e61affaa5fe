// The tool bar's file commands: open, save in place, save under a new name, print, undo and the
// About box.
#include "mainform.h"

#include "aboutdialogbox.h"
#include "backgroundjob.h"
#include "widgets/dialogservice.h"
#include "imagedata/filenames.h"
#include "imagedata/imagedocument.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/picturesignature.h"
#include "jpegqualitywindow.h"
#include "ui/print/printform.h"
#include "ui_mainform.h"

#include <QFileInfo>

namespace {
const char *const messageTitle = QT_TRANSLATE_NOOP("TmainForm", "メッセージ");
} // namespace

int TmainForm::askJpegQuality()
{
    // Escape or the window's close button cancels the save: nothing is written and the undo
    // history stays.
    if (dialogs().showModal(jpegQualityForm) != QDialog::Accepted) throw operationAbandoned();
    return jpegQualityForm->quality();
}

void TmainForm::fileOpenButtonClick()
{
    guarded([this] {
        if (busy()) return; // one piece of work at a time
        if (editingCount >= 5) {
            dialogs().message(this, TmainForm::tr("最大編集ファイル数を超えました。"), tr(messageTitle));
            return;
        }
        QString fileName = currentPictureFolder();
        // JPEG and BMP first, then the other formats and, chosen at first, all of them.
        const QString openFilter = fileFilter + openFilterAddition();
        int filterIndex = int(openFilter.count(QLatin1Char('|')) + 1) / 2;
        if (!dialogs().openPicture(this, openFilter, fileName, filterIndex)) return;
        // A name of no known type would open as an empty picture: refuse it and say what opens.
        if (imageFileType(fileName) == 0) throw imageError(unknownTypeText(fileName));
        checkNameOnDisk(fileName);
        for (int i = editingCount - 1; i >= 0; --i) {
            const imageDocument *d = documentAt(i);
            if (d && d->path == fileName) {
                dialogs().message(this, TmainForm::tr("すでにこの名称のファイルは開いています。"),
                                  tr(messageTitle));
                return;
            }
        }
        // Read everything into a document of its own first, off the window's thread: a file
        // that cannot be read, or an open that is cancelled, leaves the list, the current
        // picture and the views exactly as they were.
        auto opened = std::make_shared<std::unique_ptr<imageDocument>>(std::make_unique<imageDocument>(this));
        imageDocument *d = opened->get();
        d->fileType = filterIndex;
        job->start(
            [d, fileName](const progressIndicator &) {
                d->fileType = loadImageFile(d->bitmap, fileName, &d->metadata);
                d->path = fileName;
                d->name = extractFileName(fileName);
                d->exif.readPictureExif(fileName, d->fileType, d->metadata);
            },
            [this, opened] {
                if (editingCount >= 5) return; // nothing opens while the work runs
                editingCount += 1;
                currentIndex = editingCount - 1;
                editingList[currentIndex]->setDocument(std::move(*opened));
                layoutViews(bothViews);
                drawViews(mainView);
                refreshControls();
                applyOperation(previewMode);
            });
    });
}

void TmainForm::saveSpeedButtonClick()
{
    guarded([this] {
        if (!busy() && hasImage()) saveDocument(currentIndex, true);
    });
}

void TmainForm::saveDocument(int index, bool inBackground, const std::function<void()> &afterSaved)
{
    imageDocument *d = documentAt(index);
    if (!d) return;
    if (d->fileType == heifPicture || d->fileType == rawPicture) {
        saveBesideAsJpeg(index, inBackground, afterSaved);
        return;
    }
    if (!writablePictureType(d->fileType))
        // Nothing would be written: say so instead of pretending, and keep the picture changed
        // with its history so that nothing is lost.
        throw imageError(TmainForm::tr("この形式のファイル（%1）には上書き保存できません。"
                                          "「名前を変えて保存」で JPEG または BMP として保存してください。").arg(printableName(d->name)));
    int quality = 0;
    if (qualityPictureType(d->fileType)) quality = askJpegQuality();
    // The file that was opened, under its own name (photo.jpg stays photo.jpg): other programs
    // and albums that refer to it keep finding it. It is replaced only once the new one is
    // complete (writeImageFile throws otherwise); a cancelled save leaves it as it was.
    const QImage picture = d->bitmap; // shared: the picture does not change while it is written
    const QString target = d->path;
    const int type = d->fileType;
    const pictureMetadata metadata = d->metadata;
    const auto write = [picture, target, type, quality, metadata](const progressIndicator &) {
        writeImageFile(picture, target, type, quality, &metadata);
    };
    const auto saved = [d, afterSaved] {
        d->clearHistory();
        d->unchanged = true;
        if (afterSaved) afterSaved();
    };
    writeThenFinish(inBackground, write, saved);
}

void TmainForm::writeThenFinish(bool inBackground, const std::function<void(const progressIndicator &)> &write,
                                const std::function<void()> &saved)
{
    if (inBackground) {
        job->start(write, saved);
    } else {
        write(progressIndicator{});
        saved();
    }
}

bool TmainForm::saveDocumentAs()
{
    if (busy() || !hasImage()) return false; // no picture: nothing to save
    imageDocument *d = documentAt(currentIndex);
    // A picture without pixels (an unknown file type) cannot be written in either format: say
    // so before the user picks a name and a quality for nothing.
    if (d->bitmap.width() <= 0 || d->bitmap.height() <= 0)
        throw imageError(TmainForm::tr("この画像（%1）には保存できる画素がありません。").arg(printableName(d->name)));
    QString fileName = currentPictureFolder();
    int filterIndex = writablePictureType(d->fileType) ? d->fileType : 1;
    if (!dialogs().savePicture(this, fileFilter + saveFilterAddition(), fileName, filterIndex)) return false;
    const int type = filterIndex;
    if (!writablePictureType(type)) return false; // the dialog offers only what can be written
    // The name as typed when its extension fits the type (photo.JPG stays photo.JPG).
    const QString newName = saveFileName(fileName, type);
    checkNameOnDisk(newName);
    if (QFileInfo::exists(newName)) {
        if (!dialogs().question(this, TmainForm::tr("ファイルは存在します。上書きしますか? %1").arg(newName),
                                QString()))
            return false;
    }
    int quality = 0;
    if (qualityPictureType(type)) quality = askJpegQuality();
    // Written off the window's thread; the picture takes the new name once the file is there.
    const QImage picture = d->bitmap;
    const pictureMetadata metadata = d->metadata;
    const int slot = currentIndex;
    job->start(
        [picture, newName, type, quality, metadata](const progressIndicator &) {
            writeImageFile(picture, newName, type, quality, &metadata);
        },
        [this, d, slot, newName, type] {
            d->path = newName;
            d->name = extractFileName(newName);
            d->fileType = type;
            d->unchanged = true;
            refreshControls();
            d->clearHistory();
            editingList[slot]->refreshElement();
        });
    return true;
}

void TmainForm::renameSaveSpeedButtonClick()
{
    guarded([this] { saveDocumentAs(); });
}

void TmainForm::printSpeedButtonClick()
{
    guarded([this] {
        if (busy() || !hasImage()) return;
        printWindow->printer->setDocumentName(documentAt(currentIndex)->name);
        printWindow->pictureColours = currentDisplayColours().transform;
        printWindow->initLayout(currentBitmap);
        dialogs().showModal(printWindow);
        printWindow->shownPicture.clear(); // a converted copy of the whole picture
    });
}

void TmainForm::undoButtonClick()
{
    guarded([this] {
        if (busy() || !hasImage()) return; // no picture: nothing to undo
        imageDocument *d = documentAt(currentIndex);
        const int slot = currentIndex;
        // The snapshot is read off the window's thread (a 24-megapixel one is about 100 MB on
        // disk); the step goes only once it has been read, so a cancel or a snapshot that
        // cannot be read leaves the picture and its history as they were.
        auto restored = std::make_shared<QImage>();
        job->start([d, restored](const progressIndicator &) { *restored = d->undoPicture(); },
                   [this, d, slot, restored] {
                       if (documentAt(slot) != d) return; // nothing closes while work runs
                       d->undoWith(*restored);
                       if (slot == currentIndex) {
                           layoutViews(bothViews);
                           drawViews(mainView);
                           refreshControls();
                           applyOperation(previewMode);
                       }
                       editingList[slot]->refreshElement();
                   });
    });
}

void TmainForm::undoSpeedButtonClick()
{
    undoButtonClick();
}

void TmainForm::informationButtonClick()
{
    aboutBox->show();
    aboutBox->raise();
}
