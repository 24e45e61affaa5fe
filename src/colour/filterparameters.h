// Every parameter of the colour filter engine, declared once in colorfilter.cpp beside the codes
// that read it: the engine field it fills (also the key korvia-batch accepts), the track bar that
// feeds it, the static text that shows the bar's position, its range and start value, and the
// bar's tick spacing and page step. The window builds its track bars and captureControls from this
// table; korvia-batch takes defaults and ranges from it.
#pragma once
class colorFilter;

#include <span>
#include <string_view>

struct filterParameter {
    const char *field;        // engine field name, and korvia-batch key
    const char *control;      // track bar objectName
    const char *caption;      // objectName of the static text that shows the position, or nullptr
    int minimum;
    int maximum;
    int start;                // start position at program start-up
    int tickSpacing;
    int pageStep;
    int colorFilter::*member; // the engine field
};

// All parameters, in the order of the parameter pages.
std::span<const filterParameter> filterParameters();

// The parameter with this field name, or nullptr.
const filterParameter *findFilterParameter(std::string_view field);
