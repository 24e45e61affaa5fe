// The tool bar's file commands: open, save in place, save under a new name, print, undo and the
// About box.
#include "mainform.h"
#include "mainform_state.h"

#include "aboutdialogbox.h"
#include "backgroundjob.h"
#include "widgets/dialogservice.h"
#include "imagedata/filenames.h"
#include "imagedata/imagedocument.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/losslessjpeg.h"
#include "imagedata/picturesignature.h"
#include "imagedata/safewrite.h"
#include "jpegqualitywindow.h"
#include "ui/print/printform.h"
#include "ui/print/printwork.h"
#include "ui_mainform.h"

#include <QFileInfo>

namespace {
const char *const messageTitle = QT_TRANSLATE_NOOP("TmainForm", "メッセージ");
} // namespace

// The JPEG quality dialog's choice; throws operationAbandoned when it is cancelled.
int TmainForm::askJpegQuality()
{
    state->jpegQualityForm->offerOriginalQuality(false, false);
    // Escape or the window's close button cancels the save: nothing is written and the undo
    // history stays.
    if (dialogs().showModal(state->jpegQualityForm) != QDialog::Accepted) throw operationAbandoned();
    return state->jpegQualityForm->quality();
}

int TmainForm::askJpegQuality(const imageDocument &d, bool &keep)
{
    // A chain that does not end at the picture's size no longer describes it.
    const losslessEdits edits = d.edits.shownSize() == d.bitmap.size() ? d.edits : losslessEdits();
    QString whyNot;
    if (!edits.known)
        whyNot = losslessEdits::ofJpeg(d.storedJpeg).known
                     ? TmainForm::tr("回転・反転・トリミング以外の変更があるため、劣化なしでは保存できません。")
                     : TmainForm::tr("この JPEG ファイルの形式では、劣化なしでは保存できません。");
    else if (!edits.exact())
        whyNot = TmainForm::tr("画像の端が %1 × %2 画素のブロックの区切りに合わないため、劣化なしでは保存できません。")
                     .arg(edits.block.width())
                     .arg(edits.block.height());
    state->jpegQualityForm->offerOriginalQuality(!d.storedJpeg.isEmpty(), whyNot.isEmpty(), whyNot);
    if (dialogs().showModal(state->jpegQualityForm) != QDialog::Accepted) throw operationAbandoned();
    keep = state->jpegQualityForm->keepsOriginalQuality();
    return state->jpegQualityForm->quality();
}

namespace {
// The work of a save of d to target as type: a JPEG from the stored blocks of the file d comes
// from when keep and its changes allow it, else encoded; `jpeg` receives a JPEG file's bytes, from
// which the picture's next chain of moves starts.
std::function<void(const progressIndicator &)> saveWork(const imageDocument &d, const QString &target, int type,
                                                        int quality, bool keep, std::shared_ptr<QByteArray> jpeg)
{
    return [picture = d.bitmap, metadata = d.metadata, stored = keep ? d.storedJpeg : QByteArray(), edits = d.edits,
            target, type, quality, jpeg](const progressIndicator &) {
        if (type != jpegPicture) {
            writeImageFile(picture, target, type, quality, &metadata);
            return;
        }
        *jpeg = savedJpegFile(picture, quality, metadata, stored, edits);
        writeFileSafely(target, [&](int fd) { return writeAll(fd, jpeg->constData(), std::size_t(jpeg->size())); });
    };
}
} // namespace

void TmainForm::fileOpenButtonClick()
{
    guarded([this] {
        if (busy()) return; // one piece of work at a time
        if (state->editingCount >= 5) {
            dialogs().message(this, TmainForm::tr("最大編集ファイル数を超えました。"), tr(messageTitle));
            return;
        }
        QString fileName = currentPictureFolder();
        // JPEG and BMP first, then the other formats and, chosen at first, all of them.
        const QString openFilter = state->fileFilter + openFilterAddition();
        int filterIndex = int(openFilter.count(QLatin1Char('|')) + 1) / 2;
        if (!dialogs().openPicture(this, openFilter, fileName, filterIndex)) return;
        // A name of no known type would open as an empty picture: refuse it and say what opens.
        if (imageFileType(fileName) == 0) throw imageError(unknownTypeText(fileName));
        checkNameOnDisk(fileName);
        for (int i = state->editingCount - 1; i >= 0; --i) {
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
        state->job->start(
            [d, fileName](const progressIndicator &) {
                QByteArray jpeg;
                d->fileType = loadImageFile(d->bitmap, fileName, &d->metadata, &jpeg);
                d->startEdits(jpeg);
                d->path = fileName;
                d->name = extractFileName(fileName);
                d->exif.readPictureExif(fileName, d->fileType, d->metadata);
            },
            [this, opened] {
                if (state->editingCount >= 5) return; // nothing opens while the work runs
                state->editingCount += 1;
                state->currentIndex = state->editingCount - 1;
                state->editingList[state->currentIndex]->setDocument(std::move(*opened));
                layoutViews(viewChoice::both);
                drawViews(viewChoice::main);
                refreshControls();
                applyOperation(operationMode::preview);
            });
    });
}

void TmainForm::saveSpeedButtonClick()
{
    guarded([this] {
        if (!busy() && hasImage()) saveDocument(state->currentIndex, true);
    });
}

// inBackground: written off the window's thread (the commands, the close prompt and quitting);
// otherwise at once (the window's end). afterSaved runs once the file is written and the
// picture marked saved, never after a save that failed or was cancelled.
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
    bool keep = false;
    if (d->fileType == jpegPicture) quality = askJpegQuality(*d, keep);
    else if (qualityPictureType(d->fileType)) quality = askJpegQuality();
    // The file that was opened, under its own name (photo.jpg stays photo.jpg): other programs
    // and albums that refer to it keep finding it. It is replaced only once the new one is
    // complete (writeFileSafely throws otherwise); a cancelled save leaves it as it was. The
    // picture is shared: it does not change while it is written.
    auto jpeg = std::make_shared<QByteArray>();
    const auto write = saveWork(*d, d->path, d->fileType, quality, keep, jpeg);
    const auto saved = [d, afterSaved, jpeg] {
        d->clearHistory();
        d->unchanged = true;
        d->startEdits(*jpeg);
        if (afterSaved) afterSaved();
    };
    writeThenFinish(inBackground, write, saved);
}

// Writes a picture file as background work (inBackground) or at once, then runs saved on the
// window's thread; a write that fails or is cancelled runs nothing.
void TmainForm::writeThenFinish(bool inBackground, const std::function<void(const progressIndicator &)> &write,
                                const std::function<void()> &saved)
{
    if (inBackground) {
        state->job->start(write, saved);
    } else {
        write(progressIndicator{});
        saved();
    }
}

bool TmainForm::saveDocumentAs()
{
    if (busy() || !hasImage()) return false; // no picture: nothing to save
    imageDocument *d = documentAt(state->currentIndex);
    // A picture without pixels (an unknown file type) cannot be written in either format: say
    // so before the user picks a name and a quality for nothing.
    if (d->bitmap.width() <= 0 || d->bitmap.height() <= 0)
        throw imageError(TmainForm::tr("この画像（%1）には保存できる画素がありません。").arg(printableName(d->name)));
    QString fileName = currentPictureFolder();
    int filterIndex = saveFilterOfType(d->fileType);
    if (!dialogs().savePicture(this, state->fileFilter + saveFilterAddition(), fileName, filterIndex)) return false;
    // A typed extension of a format Korvia writes decides the format (photo.png is a PNG
    // whatever the type box shows); otherwise the type box does.
    const int type = saveFileType(fileName, typeOfSaveFilter(filterIndex));
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
    bool keep = false;
    if (type == jpegPicture) quality = askJpegQuality(*d, keep);
    else if (qualityPictureType(type)) quality = askJpegQuality();
    // Written off the window's thread; the picture takes the new name once the file is there.
    const int slot = state->currentIndex;
    auto jpeg = std::make_shared<QByteArray>();
    state->job->start(
        saveWork(*d, newName, type, quality, keep, jpeg),
        [this, d, slot, newName, type, jpeg] {
            d->path = newName;
            d->name = extractFileName(newName);
            d->fileType = type;
            d->unchanged = true;
            refreshControls();
            d->clearHistory();
            d->startEdits(*jpeg);
            state->editingList[slot]->refreshElement();
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
        // The pictures the print window shows and prints (converted to sRGB, reduced for the
        // preview) are made beside the window; 中止 stops that with nothing shown.
        const QImage picture = *state->currentBitmap;
        const std::shared_ptr<const displayTransform> colours = currentDisplayColours().transform;
        const QString name = documentAt(state->currentIndex)->name;
        auto made = std::make_shared<printPictures>();
        const auto ready = [this, made, name, colours] {
            if (!hasImage()) return;
            state->printWindow->printer->setDocumentName(name);
            state->printWindow->pictureColours = colours;
            state->printWindow->prepared = std::move(*made);
            state->printWindow->initLayout(state->currentBitmap);
        };
        state->job->start([picture, colours, made](const progressIndicator &progress) {
            *made = preparePrintPictures(picture, colours, progress);
        }, [ready] { ready(); });
        // The window is shown once the work has ended (at once when it ran at once).
        if (!busy()) {
            showPrintWindow();
        } else {
            state->afterWork = [this](workOutcome how) {
                if (how == workOutcome::finished) showPrintWindow();
            };
        }
    });
}

// The print window over the pictures made for it; the print it asks for runs beside the window.
void TmainForm::showPrintWindow()
{
    guarded([this] {
        if (!hasImage() || state->printWindow->prepared.printed.isNull()) return;
        state->printWindow->printBeside = true;
        state->printWindow->printRequested = false;
        if (dialogs().showModal(state->printWindow) != QDialog::Accepted || !state->printWindow->printRequested) {
            state->printWindow->dropPictures();
            return;
        }
        // The page is made and handed to the printer beside the window, with the progress bar and
        // 中止; a print that fails opens the print window again, so that another printer can be
        // chosen.
        state->job->start(state->printWindow->printWork(), [this] { state->printWindow->dropPictures(); });
        if (busy()) state->afterWork = [this](workOutcome how) {
            if (how == workOutcome::failed)
                showPrintWindow();
            else
                state->printWindow->dropPictures();
        };
    });
}

void TmainForm::undoButtonClick()
{
    guarded([this] {
        if (busy() || !hasImage()) return; // no picture: nothing to undo
        imageDocument *d = documentAt(state->currentIndex);
        const int slot = state->currentIndex;
        // The snapshot is read off the window's thread (a 24-megapixel one is about 100 MB on
        // disk); the step goes only once it has been read, so a cancel or a snapshot that
        // cannot be read leaves the picture and its history as they were.
        auto restored = std::make_shared<QImage>();
        state->job->start([d, restored](const progressIndicator &) { *restored = d->undoPicture(); },
                   [this, d, slot, restored] {
                       if (documentAt(slot) != d) return; // nothing closes while work runs
                       d->undoWith(*restored);
                       if (slot == state->currentIndex) {
                           layoutViews(viewChoice::both);
                           drawViews(viewChoice::main);
                           refreshControls();
                           applyOperation(operationMode::preview);
                       }
                       state->editingList[slot]->refreshElement();
                   });
    });
}

void TmainForm::undoSpeedButtonClick()
{
    undoButtonClick();
}

void TmainForm::informationButtonClick()
{
    state->aboutBox->show();
    state->aboutBox->raise();
}
