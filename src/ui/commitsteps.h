// What a commit (画像処理実行, a one-click button) does to the picture, captured from the
// window's controls before the work starts and run anywhere: on the window's thread or off it.
// Widget-free, so the benchmarks and tests run it without a window.
#pragma once
#include "colour/colorfilter.h"
#include "imagedata/losslessjpeg.h"
#include "imagedata/progress.h"

#include <QImage>
#include <memory>
#include <vector>

class prepareShape;

// One operation of a commit: a colour page's engine with its parameters, or a transform's set-up.
struct commitStep {
    bool transform = false;
    colorFilter filter;
    std::shared_ptr<prepareShape> shape;
};

// A copy of a transform set-up: its code, parameters, sizes and background (not its progress).
std::shared_ptr<prepareShape> copyOfShapeSetUp(const prepareShape &setUp);

// Runs the steps one after another and returns the result, a picture of its own. The picture
// given is never written: a colour step works on a copy (made in a spare buffer of the snapshot
// writer when one is kept), a transform makes a new picture. The engines report to progress and
// stop at its cancel by throwing operationCancelled. A transform with nothing to make leaves the
// picture as it is.
QImage runCommitSteps(const QImage &picture, std::vector<commitStep> &steps, const progressIndicator &progress);

// The chain of whole-block moves after the steps: each quarter or half turn, mirror and trim
// added to it; any other step (a colour step, a resampling transform) makes it unknown.
losslessEdits editsAfterSteps(losslessEdits edits, const std::vector<commitStep> &steps);
