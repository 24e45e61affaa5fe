// What korvia-batch apply is asked to do: the input, the output and its quality, and the steps in
// the order given (runApply in batchapply.h runs them; batchlossless.h makes the output from a
// JPEG's stored blocks where the steps allow it).
#pragma once
#include "batchshape.h"
#include "colour/colorfilter.h"
#include "imagedata/safewrite.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

struct applyRequest {
    QString input;
    QString output;
    int quality = 100;                 // JPEG, WebP and JPEG XL; the quality dialog's start position
    // A batch without --overwrite keeps a file that takes the output's name while it works.
    existingTarget existing = existingTarget::replace;
    bool reencode = false;             // --reencode: never made from a JPEG's stored blocks
    std::optional<long long> seed;     // seeds the shared random generator before the first op
    // Colour operations, transforms and recipes, in the order given; each works on the picture
    // with the run's one filter engine and one transform set-up, as the window keeps one of each.
    struct step {
        std::function<void(QImage &bitmap, colorFilter &filter, prepareShape &shaper)> run;
        // The picture's size after the step from its size before, for the checks made before any
        // work; throws when the step cannot be made on such a picture. Empty: the size is kept.
        std::function<QSize(QSize size, prepareShape &shaper)> resultSize;
        std::optional<shapeStep> shape; // a transform's step, for the output made from stored blocks
    };
    std::vector<step> steps;
};
