// The keys a korvia-batch colour operation takes besides its name: their kinds, the words of a
// choice and one key's description. The filter descriptions (colorfilter.h) list each operation's
// keys; filteroperations.h reads operation texts with them. Types only.
#pragma once
#include <span>

enum class operationKeyKind {
    parameter, // a track-bar field of filterParameters(), a whole number in its range
    color,     // R.G.B, each 0..255: the drawing colour
    choice,    // one of a few words, each selecting a filter code
    points,    // nine knots p0.p1.p2.p3.p4.p5.p6.p7.p8, each -2..130 (the point tone curve)
    angle,     // degrees 0..270 in steps of 45 (the emboss direction)
};

// One word a choice key takes, and the filter code it selects (operationpages.h's operationChoice
// is the window's page, tab and item of a code).
struct operationWord {
    const char *word;
    int filterType;
};

struct operationKey {
    const char *key;        // the text before "="; for parameters the engine field name
    operationKeyKind kind;
    const char *field;      // parameter kind: the filterParameters() field this key sets
    std::span<const operationWord> choices; // choice kind: the words, the first is the default
};
