// The window tests' way into the main window beyond its controls: what they read of its private
// state and the few steps they drive directly. Only the window tests and the window benchmark
// include it; the window and the classes it holds name it as a friend.
#pragma once
#include "brushpainting.h"
#include "commitsteps.h"
#include "geometry/commonresizerect.h"
#include "geometry/prepareshape.h"
#include "imagedata/imagedocument.h"
#include "mainform.h"
#include "mainform_state.h"
#include "mainview.h"
#include "transformpanel.h"

struct windowProbe {
    TmainForm &form;

    // ---- Pictures and work -------------------------------------------------------------------
    int editingCount() const { return form.state->editingCount; }
    int currentIndex() const { return form.state->currentIndex; }
    imageDocument *documentAt(int slot) const { return form.documentAt(slot); }
    imageDocument *current() const { return form.documentAt(form.state->currentIndex); }
    const myEditingElement &slot(int index) const { return *form.state->editingList.at(std::size_t(index)); }
    const QImage *currentBitmap() const { return form.state->currentBitmap; }
    bool hasImage() const { return form.hasImage(); }
    bool busy() const { return form.busy(); }
    backgroundJob *job() const { return form.state->job.get(); }
    void cancelButtonClick() const { form.cancelButtonClick(); }
    QString fileFilter() const { return form.state->fileFilter; }
    // A picture made in memory put into the first slot and shown, as an open does.
    void showInFirstSlot(std::unique_ptr<imageDocument> picture) const
    {
        form.state->editingCount = 1;
        form.state->currentIndex = 0;
        form.state->editingList[0]->setDocument(std::move(picture));
        form.showCurrentImage();
    }

    // ---- Pages, choices and the engines' state -------------------------------------------------
    pageControl *mainPages() const { return form.state->mainPages.get(); }
    pageControl *settingsPages() const { return form.state->settingsPages.get(); }
    pageControl *operationPages() const { return form.state->operationPages.get(); }
    pageControl *adjustPages() const { return form.state->adjustPages.get(); }
    pageControl *effectOnePages() const { return form.state->effectOnePages.get(); }
    pageControl *effectTwoPages() const { return form.state->effectTwoPages.get(); }
    pageControl *transformPages() const { return form.state->transformPages.get(); }
    radioGroup *toneCurveGroup() const { return form.state->toneCurveGroup.get(); }
    radioGroup *fringeShapeGroup() const { return form.state->fringeShapeGroup.get(); }
    radioGroup *paintGroup() const { return form.state->paintGroup.get(); }
    radioGroup *embosseAngleGroup() const { return form.state->embosseAngleGroup.get(); }
    radioGroup *monoColorGroup() const { return form.state->monoColorGroup.get(); }
    radioGroup *rotateAngleGroup() const { return form.state->rotateAngleGroup.get(); }
    int operationCode() const { return form.operationCode(); }
    colorFilter &filter() const { return form.state->filter; } // tests set the tone curve's points
    std::uint32_t drawColor() const { return form.state->drawColor; }
    int toneDragIndex() const { return form.state->toneDragIndex; }
    int toneSCurveLevel() const { return form.state->toneSCurveLevel; }
    int toneSlopeLevel() const { return form.state->toneSlopeLevel; }
    int toneGammaLevel() const { return form.state->toneGammaLevel; }
    const colorTool &colorPanel() const { return *form.state->colorPanel; }
    brushPanel *brush() const { return form.state->brush.get(); }
    TAboutBox *aboutBox() const { return form.state->aboutBox; }
    TprintWindow *printWindow() const { return form.state->printWindow; }

    // ---- The two views -----------------------------------------------------------------------
    const QImage &mainViewBitmap() const { return form.state->mainViewBitmap; }
    const QImage &mainViewCanvas() const { return form.state->mainViewCanvas; }
    const rectangle &mainViewRect() const { return form.state->mainViewRect; }
    const QImage &sampleBitmap() const { return form.state->sampleBitmap; }
    const rectangle &sampleRect() const { return form.state->sampleRect; }
    // The sample made afresh from the picture, as a page change makes it.
    void layoutSample() const { form.layoutViews(TmainForm::viewChoice::sample); }
    void drawMainView() const { form.drawViews(TmainForm::viewChoice::main); }

    // ---- Main view ---------------------------------------------------------------------------
    mainView &view() const { return *form.state->view; }
    bool viewFit() const { return form.state->view->mode == mainView::viewMode::fit; }
    double viewZoom() const { return form.state->view->viewZoom; }
    int viewOffsetX() const { return form.state->view->viewOffsetX; }
    int viewOffsetY() const { return form.state->view->viewOffsetY; }

    // ---- Brush painting ----------------------------------------------------------------------
    // brushTool::airKind or waterKind during a stroke, else 0.
    int brushStrokeKind() const { return form.state->painting->brushStrokeKind; }

    // ---- Transform page ----------------------------------------------------------------------
    prepareShape &shapeSetUp() const { return *form.state->transform->shapeSetUp; }
    const commonResizeRect &trimmingRect() const { return *form.state->transform->trimmingRect; }
    bool trimmingActive() const { return form.state->transform->trimmingActive; }
    bool trimmingShown() const { return form.state->transform->trimmingShown(); }
};
