#include "filterparameters.h"

namespace {
// clang-format off
const filterParameter table[] = {
    // 調整 / 明度、彩度
    {"bright",          "brightTrackBar",          "brightStaticText",          -100,  100,   0,  20,  10, &colorFilter::bright},
    {"chroma",          "chromaTrackBar",          "chromaStaticText",          -255,  255,   0,  50,  20, &colorFilter::chroma},
    {"hue",             "hueTrackBar",             "hueStaticText",             -100,  100,   0,  20,  10, &colorFilter::hue},
    // 調整 / RGB調整
    {"red",             "redTrackBar",             "redStaticText",             -255,  255,   0,  64,  20, &colorFilter::red},
    {"green",           "greenTrackBar",           "greenStaticText",           -255,  255,   0,  64,  20, &colorFilter::green},
    {"blue",            "blueTrackBar",            "blueStaticText",            -255,  255,   0,  64,  20, &colorFilter::blue},
    // 調整 / トーンカーブ: toneValue shows the curve's parameter, not the position
    {"tonePosition",    "toneTrackBar",            nullptr,                      -50,   50,   0,  10,   2, &colorFilter::tonePosition},
    // 効果1 / 縁取ボケ
    {"outFocusDensity", "outFocusDensityTrackBar", "outFocusDensityStaticText",    3,  255,   3,  32,  20, &colorFilter::outFocusDensity},
    {"outFocusSize",    "outFocusSizeTrackBar",    "outFocusSizeSizeStaticText",   3, 5000, 100, 500, 100, &colorFilter::outFocusSize},
    // 効果1 / 縁取明暗
    {"fringeLevel",     "fringeLevelTrackBar",     "fringeLeveStaticText",      -255,  255,   3,  64,  50, &colorFilter::fringeLevel},
    {"fringeSize",      "fringeSizeTrackBar",      "fringeSizeStaticText",         0, 5000, 100, 500, 100, &colorFilter::fringeSize},
    // 効果1 / ペイント
    {"paintSize",       "paintTrackBar",           "paintStaticText",              3,   30,  10,   2,   5, &colorFilter::paintSize},
    // 効果1 / ソフト
    {"softSize",        "softSizeTrackBar",        "softSizeStaticText",           1,   30,  15,   2,   5, &colorFilter::softSize},
    {"softCoreLevel",   "softCoreLevelTrackBar",   "softCoreLevelStaticText",      0,  100,  30,  10,  10, &colorFilter::softCoreLevel},
    // 効果1 / エンボス
    {"embosseLevel",    "embosseLevelTrackBar",    "embosseLevelStaticText",       2,   30,  20,   5,   5, &colorFilter::embosseLevel},
    // 効果2 / シャープ
    {"edgeLevel",       "edgeTrackBar",            "edgeStaticText",               1,   20,   5,   2,   4, &colorFilter::edgeLevel},
    // 効果2 / 階調
    {"colorLevel",      "colorLevelTrackBar",      "colorLevelStaticText",         2,   80,   5,  20,  20, &colorFilter::colorLevel},
    // 効果2 / モザイク
    {"mosaicSize",      "mosaicTrackBar",          "mosaicStaticText",             1,  100,  20,  20,  20, &colorFilter::mosaicSize},
    // 効果2 / ブレ
    {"vibrateAngle",    "vibrateAngleTrackBar",    "vibrateAngleStaticText",       0,  180,   0,  45,  45, &colorFilter::vibrateAngle},
    {"vibrateSize",     "vibrateSizeTrackBar",     "vibrateSizeStaticText",        2,   30,  10,   5,   5, &colorFilter::vibrateSize},
    // 効果2 / ノイズ除去
    {"medianSize",      "medianTrackBar",          "medianStaticText",             2,   10,   3,   2,  20, &colorFilter::medianSize},
};
// clang-format on
}

std::span<const filterParameter> filterParameters()
{
    return table;
}

const filterParameter *findFilterParameter(std::string_view field)
{
    for (const filterParameter &p : table)
        if (field == p.field) return &p;
    return nullptr;
}
