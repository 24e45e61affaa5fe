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
#include <utility>
#include <vector>

struct shapeParameter;

// A transform step: the engine's own description (its code) and the values given for its
// parameters (shapeParameters()), each in the engine's unit (the angle in hundredths of a degree,
// as the window's set-up holds it). A parameter not given takes its start value; a size not given
// keeps the picture's, a far trimming edge not given is the last column or row.
struct shapeStep {
    std::uint32_t shapeType = shapeCopy;
    std::vector<std::pair<const shapeParameter *, int>> values;

    // The value given for the parameter with this field, or nothing.
    std::optional<int> given(std::string_view field) const;
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
