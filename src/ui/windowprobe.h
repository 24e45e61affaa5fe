// The window tests' way into the main window beyond its controls: what they read of its private
// state and the few steps they drive directly. Only the window tests and the window benchmark
// include it; the window and the classes it holds name it as a friend.
#pragma once
#include "brushpainting.h"
#include "commitsteps.h"
#include "geometry/commonresizerect.h"
#include "geometry/prepareshape.h"
#include "mainform.h"
#include "mainview.h"
#include "transformpanel.h"

struct windowProbe {
    TmainForm &form;

    // ---- Pictures and work -------------------------------------------------------------------
    int editingCount() const { return form.editingCount; }
    int currentIndex() const { return form.currentIndex; }
    imageDocument *documentAt(int slot) const { return form.documentAt(slot); }
    imageDocument *current() const { return form.documentAt(form.currentIndex); }
    const myEditingElement &slot(int index) const { return *form.editingList.at(std::size_t(index)); }
    const QImage *currentBitmap() const { return form.currentBitmap; }
    bool hasImage() const { return form.hasImage(); }
    bool busy() const { return form.busy(); }
    backgroundJob *job() const { return form.job.get(); }
    void cancelButtonClick() const { form.cancelButtonClick(); }
    QString fileFilter() const { return form.fileFilter; }

    // ---- Pages, choices and the engines' state -------------------------------------------------
    pageControl *mainPages() const { return form.mainPages.get(); }
    pageControl *settingsPages() const { return form.settingsPages.get(); }
    pageControl *operationPages() const { return form.operationPages.get(); }
    pageControl *adjustPages() const { return form.adjustPages.get(); }
    pageControl *effectOnePages() const { return form.effectOnePages.get(); }
    pageControl *effectTwoPages() const { return form.effectTwoPages.get(); }
    pageControl *transformPages() const { return form.transformPages.get(); }
    radioGroup *toneCurveGroup() const { return form.toneCurveGroup.get(); }
    radioGroup *fringeShapeGroup() const { return form.fringeShapeGroup.get(); }
    radioGroup *paintGroup() const { return form.paintGroup.get(); }
    radioGroup *embosseAngleGroup() const { return form.embosseAngleGroup.get(); }
    radioGroup *monoColorGroup() const { return form.monoColorGroup.get(); }
    radioGroup *rotateAngleGroup() const { return form.rotateAngleGroup.get(); }
    int operationCode() const { return form.operationCode(); }
    colorFilter &filter() const { return form.filter; } // tests set the tone curve's points
    std::uint32_t drawColor() const { return form.drawColor; }
    int toneDragIndex() const { return form.toneDragIndex; }
    int toneSCurveLevel() const { return form.toneSCurveLevel; }
    int toneSlopeLevel() const { return form.toneSlopeLevel; }
    int toneGammaLevel() const { return form.toneGammaLevel; }
    const colorTool &colorPanel() const { return *form.colorPanel; }
    brushPanel *brush() const { return form.brush.get(); }
    TAboutBox *aboutBox() const { return form.aboutBox; }
    TprintWindow *printWindow() const { return form.printWindow; }

    // ---- The two views -----------------------------------------------------------------------
    const QImage &mainViewBitmap() const { return form.mainViewBitmap; }
    const QImage &mainViewCanvas() const { return form.mainViewCanvas; }
    const rectangle &mainViewRect() const { return form.mainViewRect; }
    const QImage &sampleBitmap() const { return form.sampleBitmap; }
    const rectangle &sampleRect() const { return form.sampleRect; }
    // The sample made afresh from the picture, as a page change makes it.
    void layoutSample() const { form.layoutViews(TmainForm::sampleView); }

    // ---- Main view ---------------------------------------------------------------------------
    mainView &view() const { return *form.view; }
    bool viewFit() const { return form.view->mode == mainView::viewMode::fit; }
    double viewZoom() const { return form.view->viewZoom; }
    int viewOffsetX() const { return form.view->viewOffsetX; }
    int viewOffsetY() const { return form.view->viewOffsetY; }

    // ---- Brush painting ----------------------------------------------------------------------
    // brushTool::airKind or waterKind during a stroke, else 0.
    int brushStrokeKind() const { return form.painting->brushStrokeKind; }

    // ---- Transform page ----------------------------------------------------------------------
    prepareShape &shapeSetUp() const { return *form.transform->shapeSetUp; }
    const commonResizeRect &trimmingRect() const { return *form.transform->trimmingRect; }
    bool trimmingActive() const { return form.transform->trimmingActive; }
    bool trimmingShown() const { return form.transform->trimmingShown(); }
};
