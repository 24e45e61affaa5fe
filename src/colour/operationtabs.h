// The window's operation pages and the tabs on them, numbered in page and tab order: where every
// operation is offered. The filters' descriptions (colorfilter.h) name their page and tab in these
// numbers, and the window's operation pages (ui/operationpages.h) read them. Widget-free.
#pragma once

// The pages of imageOperationPageControl, in page order.
enum operationPage : int {
    noOperationPage = -1,
    adjustPage = 0,    // 調整: filterType
    effectOnePage = 1, // 効果1: filterType
    effectTwoPage = 2, // 効果2: filterType
    transformPage = 3, // 変形: the transform set-up's shapeType
};
inline constexpr int operationPageCount = 4;

// The tabs of each page's control, in tab order.
enum adjustTab : int { brightChromaTab, rgbShiftTab, toneCurveTab };
enum effectOneTab : int { fringeBlurTab, fringeShapeTab, paintTab, softFocusTab, embossTab, monoColorTab };
enum effectTwoTab : int { sharpenTab, colorLevelsTab, mosaicTab, motionBlurTab, medianTab };
enum transformTab : int { resizeTab, rotateTab, trimTab, slopeTab, trapezoidTab, distortTab };
