// Selecting and closing pictures of the open-images list.
#include "mainform.h"
#include "mainform_state.h"
#include "mainview.h"

#include "widgets/dialogservice.h"
#include "imagedata/imagedocument.h"
#include "imagedata/imageerror.h"
#include "imagedata/picturememory.h"
#include "imagedata/snapshotwriter.h"

#include <algorithm>

void TmainForm::selectSlot(int number)
{
    guarded([this, number] {
        if (busy() || state->editingCount < number) return; // an empty slot
        state->currentIndex = number - 1;
        showCurrentImage();
    });
}

void TmainForm::closeSlot(int number)
{
    guarded([this, number] {
        if (busy() || state->editingCount < number) return; // an empty slot
        closeImage(number - 1);
    });
}

void TmainForm::editChangeButton1Click() { selectSlot(1); }
void TmainForm::editChangeButton2Click() { selectSlot(2); }
void TmainForm::editChangeButton3Click() { selectSlot(3); }
void TmainForm::editChangeButton4Click() { selectSlot(4); }
void TmainForm::editChangeButton5Click() { selectSlot(5); }
void TmainForm::editCloseButton1Click() { closeSlot(1); }
void TmainForm::editCloseButton2Click() { closeSlot(2); }
void TmainForm::editCloseButton3Click() { closeSlot(3); }
void TmainForm::editCloseButton4Click() { closeSlot(4); }
void TmainForm::editCloseButton5Click() { closeSlot(5); }

void TmainForm::theEndButtonClick()
{
    guarded([this] {
        if (!busy() && hasImage()) closeImage(state->currentIndex);
    });
}

// With the save prompt; a "yes" saves in the background (inBackground) and the picture goes
// once its file is written; a save that fails or is cancelled leaves it open. The prompt left
// unanswered (Escape, its close button) keeps the picture open with its changes and throws
// operationAbandoned.
void TmainForm::closeImage(int index, bool inBackground)
{
    if (!hasImage()) return;
    imageDocument *d = documentAt(index);
    if (!d) return;
    if (d->undoCount > 0 || !d->unchanged) {
        switch (dialogs().questionOrCancel(this, TmainForm::tr("画像は変更されています。保存しますか？"), QString())) {
        case dialogService::reply::cancel:
            // The box left unanswered (Escape, its close button): the picture stays open with
            // its changes, and a quit stops here.
            throw operationAbandoned();
        case dialogService::reply::yes:
            // The picture goes once its file is written; a save that fails or is cancelled ends
            // here and the picture stays open with its history.
            saveDocument(index, inBackground, [this, d, index] {
                if (documentAt(index) == d) removeImage(index);
            });
            return;
        case dialogService::reply::no:
            break; // the explicit いいえ: the changes go with the picture
        }
    }
    removeImage(index);
}

void TmainForm::removeImage(int index)
{
    if (state->editingCount > 0 && index >= 0 && index < state->editingCount) {
        // A picture opened later in the closed one's place starts in fit mode.
        state->view->forgetDocument(documentAt(index));
        if (index < state->currentIndex) --state->currentIndex;
        if (index < state->editingCount - 1) {
            for (int i = index; i <= state->editingCount - 2; ++i) state->editingList[i]->moveElement(*state->editingList[i + 1]);
        } else {
            state->editingList[index]->clearElement();
        }
        const int n = state->editingCount;
        state->editingCount = n - 1;
        state->currentIndex = std::max(0, std::min(state->currentIndex, n - 2));
        // The buffers kept from written snapshots and the engines' spare copies were of the
        // pictures open until now.
        snapshotWriter::process().dropSpareBuffers();
        releaseSparePictureBytes();
    }
    showCurrentImage();
}

void TmainForm::showCurrentImage()
{
    layoutViews(viewChoice::both);
    drawViews(viewChoice::main);
    refreshControls();
    applyOperation(operationMode::preview);
}
