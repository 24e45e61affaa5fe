// korvia-batch apply: the geometric transforms of the 変形 page, run by the same set-up and engine
// as the window's execute command, so a result has the commit's size and bytes.
//   resize:width=W,height=H   rotate:angle=A   turn-right   turn-left   turn-180   mirror-lr
//   mirror-ud   trim:left=L,top=T,right=R,bottom=B   slope:slopeBalance=S
//   trapezoid:perspective=P   distort:distortion=D
#pragma once
#include "geometry/prepareshape.h"

#include <QImage>
#include <optional>
#include <string>
#include <string_view>

struct shapeStep {
    std::uint32_t shapeType = shapeCopy;
    std::optional<int> width, height;          // resize; a side not given keeps its size
    int rotateAngle = 0;                       // hundredths of a degree, as the window captures it
    int trimLeft = 0, trimTop = 0;
    std::optional<int> trimRight, trimBottom;  // not given: the last column and row
    int slopeBalance = 0, perspective = 0, distortion = 0;
};

// The transform this operation text names, or nothing when the name is not a transform's.
// Throws operationError for an unknown key, a malformed number or a value out of its range.
std::optional<shapeStep> parseShapeOperation(std::string_view text);

// Replaces bitmap by the transformed picture. Throws operationError when the step does not fit the
// picture (trimming edges that leave nothing).
void applyShapeStep(QImage &bitmap, prepareShape &shaper, const shapeStep &step);

// The size of the step's result on a picture of the given size. Throws operationError as
// applyShapeStep does, and imageError when the result would be larger than the largest picture
// Korvia opens; no pixel is touched.
QSize shapeStepSize(QSize size, prepareShape &shaper, const shapeStep &step);

// The usage lines of the transforms.
std::string shapeOperationUsage();
