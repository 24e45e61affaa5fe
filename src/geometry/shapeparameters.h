// Every parameter of the transform page, declared once: the engine field it fills, the track bar
// and the edit that feed it, its range and start value, the bar's tick spacing and page step, the
// transform code it belongs to, its korvia-batch key, its unit and its caption.
// Read by the window, the tests and korvia-batch; a code's keys are listed in table order. The
// rows are in shapetable.cpp beside the transforms' descriptions.
#pragma once
#include "shapesettings.h"

#include <span>
#include <string_view>

class prepareShape;

struct shapeParameter {
    const char *field;   // engine (or prepareShape) field name
    const char *control; // track bar objectName, or nullptr (sizes, trimming edges)
    const char *edit;    // edit objectName
    int minimum;
    int maximum;
    int start;
    int tickSpacing;
    int pageStep;
    std::int32_t shapeSettings::*member; // the engine field, or nullptr for prepareShape's sizes
    shapeCode code;      // the transform that reads it
    const char *key;     // the korvia-batch key (the text before "=")
    // Engine units to one unit of the bar and the edit: 100 for the angle, whose bar and edit
    // show degrees (the edit with two decimals) while the engine holds hundredths; 1 otherwise.
    int scale = 1;
    std::int32_t prepareShape::*size = nullptr; // the set-up's field for the sizes (member nullptr)
    // The caption beside the edit (translated in the window's context), which names it in the
    // messages about its value.
    const char *label = nullptr;
};

// A value of the bar's or edit's unit in the engine's: truncated toward zero after the scaling
// (12.345 degrees are 1234 hundredths).
int engineValue(const shapeParameter &p, double value);

std::span<const shapeParameter> shapeParameters();
const shapeParameter *findShapeParameter(std::string_view field);
