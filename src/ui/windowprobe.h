// The window tests' way into the main window beyond its controls: what they read of its private
// state and the few steps they drive directly. Only the window tests and the window benchmark
// include it; the window and the classes it holds name it as a friend.
#pragma once
#include "brushpainting.h"
#include "mainform.h"
#include "mainview.h"

struct windowProbe {
    TmainForm &form;

    // ---- Pictures and work -------------------------------------------------------------------

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
};
