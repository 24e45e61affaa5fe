// Every parameter of the transform page, declared once: the engine field it fills (also the key
// korvia-batch accepts), the track bar and the edit that feed it, its range and start value, and
// the bar's tick spacing and page step, the transform code it belongs to and its korvia-batch key.
// Read by the window, the tests and korvia-batch; a code's keys are listed in table order.
#pragma once
#include "shapeexecute.h"

#include <span>
#include <string_view>

struct shapeParameter {
    const char *field;   // engine (or prepareShape) field name
    const char *control; // track bar objectName, or nullptr (sizes, trimming edges)
    const char *edit;    // edit objectName
    int minimum;
    int maximum;
    int start;
    int tickSpacing;
    int pageStep;
    std::int32_t shapeExecute::*member; // the engine field, or nullptr for prepareShape's sizes
    shapeCode code;      // the transform that reads it
    const char *key;     // the korvia-batch key (the text before "=")
};

std::span<const shapeParameter> shapeParameters();
const shapeParameter *findShapeParameter(std::string_view field);
