// The engines' texts for the user (their messages, the picture information values) go through Qt
// Core's translation under one context per subsystem: the window and korvia-batch install the
// catalogue of the user's language, and without one the texts are the Japanese of the sources.
#pragma once
#include <QCoreApplication>

struct imageTexts { // src/imagedata
    Q_DECLARE_TR_FUNCTIONS(imageTexts)
};
struct colourTexts { // src/colour
    Q_DECLARE_TR_FUNCTIONS(colourTexts)
};
struct shapeTexts { // src/geometry
    Q_DECLARE_TR_FUNCTIONS(shapeTexts)
};
