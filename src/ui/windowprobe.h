// The window tests' way into the main window beyond its controls: what they read of its private
// state and the few steps they drive directly. Only the window tests and the window benchmark
// include it; the window and the classes it holds name it as a friend.
#pragma once
#include "mainform.h"

struct windowProbe {
    TmainForm &form;

    // ---- Pictures and work -------------------------------------------------------------------

    // ---- Main view ---------------------------------------------------------------------------

    // ---- Brush painting ----------------------------------------------------------------------

    // ---- Transform page ----------------------------------------------------------------------
};
