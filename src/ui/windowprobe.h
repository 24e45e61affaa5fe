// The window tests' way into the main window beyond its controls: what they read of its private
// state and the few steps they drive directly. Only the window tests and the window benchmark
// include it; the window and the classes it holds name it as a friend.
#pragma once
#include "geometry/commonresizerect.h"
#include "geometry/prepareshape.h"
#include "mainform.h"
#include "transformpanel.h"

struct windowProbe {
    TmainForm &form;

    // ---- Pictures and work -------------------------------------------------------------------

    // ---- Main view ---------------------------------------------------------------------------

    // ---- Brush painting ----------------------------------------------------------------------

    // ---- Transform page ----------------------------------------------------------------------
    prepareShape &shapeSetUp() const { return *form.transform->shapeSetUp; }
    const commonResizeRect &trimmingRect() const { return *form.transform->trimmingRect; }
    bool trimmingActive() const { return form.transform->trimmingActive; }
    bool trimmingShown() const { return form.transform->trimmingShown(); }
};
