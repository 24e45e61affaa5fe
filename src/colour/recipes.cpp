#include "recipes.h"

#include "filterparameters.h"
#include "imagedata/myimagearray.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace {
// clang-format off
const recipe table[] = {
    //  name                   button                               picture snapshot grey
    {"vivid",               "clearSpeedButton",                   true,  true,  false},
    {"recipe-grayscale",    "grayScaleSpeedButton",               false, false, false},
    {"recipe-sepia",        "sepiaSpeedButton",                   false, false, false},
    {"recipe-emboss",       "embossSpeedButton",                  false, false, true},
    {"recipe-paint",        "paintSpeedButton",                   true,  false, false},
    {"soft-filter",         "softFilterSpeedButton",              true,  false, false},
    {"fringe-soft",         "fringeOutFocusSpeedButton",          true,  false, false},
    {"fringe-dark",         "fringeBrightSpeedButton",            true,  true,  false},
    {"gray-fringe-dark",    "grayScale_fringeDarkSpeedButton",    true,  true,  false},
    {"sepia-fringe-dark",   "sepia_fringeDarkSpeedButton",        true,  true,  false},
    {"sepia-fringe-bright", "sepia_fringeBrightSpeedButton",      true,  true,  false},
};
// clang-format on

const filterParameter &parameter(const char *field)
{
    const filterParameter *p = findFilterParameter(field);
    if (!p) throw std::logic_error(std::string("recipe names an unknown parameter: ") + field);
    return *p;
}

// trunc(S · factor), limited to the field's bar range (and to the upper limit, if lower).
int derivedSize(double shorterSide, double factor, const char *field, int upper)
{
    const filterParameter &p = parameter(field);
    const int high = std::min(p.maximum, upper);
    const double size = std::trunc(shorterSide * factor);
    if (!(size >= p.minimum)) return p.minimum; // also a NaN side
    if (size >= high) return high;
    return static_cast<int>(size);
}

recipeStage monochromeStage(int item)
{
    return {.filterType = filterGreyscale + item, .settings = {}};
}

} // namespace

std::span<const recipe> recipes()
{
    return table;
}

const recipe *findRecipe(std::string_view name)
{
    for (const recipe &r : table)
        if (name == r.name) return &r;
    return nullptr;
}

double recipeShorterSide(double width, double height)
{
    return std::min(width, height);
}

int recipePaintSize(double shorterSide)
{
    return derivedSize(shorterSide, 0.0125, "paintSize", 10);
}

int recipeSoftSize(double shorterSide)
{
    return derivedSize(shorterSide, 0.025, "softSize", 30);
}

int recipeOutFocusSize(double shorterSide)
{
    return derivedSize(shorterSide, 0.8, "outFocusSize", 5000);
}

int recipeFringeSize(double shorterSide)
{
    return derivedSize(shorterSide, 0.5, "fringeSize", 5000);
}

recipeStage fringePresetStage(double shorterSide, int level)
{
    const filterParameter &levelBar = parameter("fringeLevel");
    return {.filterType = filterFringeCircle,
            .restoreChoice = true,
            .settings = {{"fringeSize", recipeFringeSize(shorterSide)},
                         {"fringeLevel", std::clamp(level, levelBar.minimum, levelBar.maximum)}}};
}

std::vector<recipeStage> recipeStages(const recipe &r, double shorterSide)
{
    const std::string_view name = r.name;
    if (name == "vivid") {
        // Tone curve "傾斜" four steps steeper than the identity, chroma 10, sharpen 3. The
        // slope's identity is position 25 (45°); position 4 itself would be a slope of
        // tan 7.2° ≈ 0.13, squeezing every level into 112..144: a nearly grey picture.
        return {{.filterType = filterToneSlope, .settings = {{"tonePosition", recipeVividSlope}}},
                {.filterType = filterBrightChromaHue, .settings = {{"chroma", 10}}},
                {.filterType = filterSharpen, .settings = {{"edgeLevel", 3}}}};
    }
    if (name == "recipe-grayscale") return {monochromeStage(0)};
    if (name == "recipe-sepia") return {monochromeStage(1)};
    if (name == "recipe-emboss") return {{.filterType = filterEmboss, .settings = {{"embosseLevel", 30}}}};
    if (name == "recipe-paint")
        return {{.filterType = filterPaintPointillism,
                 .settings = {{"paintSize", recipePaintSize(shorterSide)}}}};
    if (name == "soft-filter")
        return {{.filterType = filterSoftFocus,
                 .settings = {{"softSize", recipeSoftSize(shorterSide)}, {"softCoreLevel", 50}}}};
    if (name == "fringe-soft")
        return {{.filterType = filterFringeBlur,
                 .settings = {{"outFocusSize", recipeOutFocusSize(shorterSide)}, {"outFocusDensity", 100}}}};
    if (name == "fringe-dark") return {fringePresetStage(shorterSide, recipeFringeDark)};
    if (name == "gray-fringe-dark") return {monochromeStage(0), fringePresetStage(shorterSide, recipeFringeDark)};
    if (name == "sepia-fringe-dark") return {monochromeStage(1), fringePresetStage(shorterSide, recipeFringeDark)};
    if (name == "sepia-fringe-bright")
        return {monochromeStage(1), fringePresetStage(shorterSide, recipeFringeBright)};
    return {};
}

void setUpRecipeStage(colorFilter &filter, const recipeStage &stage, std::uint32_t drawColor, int embossAngle)
{
    for (const filterParameter &p : filterParameters()) filter.*(p.member) = p.start;
    const filterParameter &tone = parameter("tonePosition");
    filter.toneMax = tone.maximum;
    filter.toneMin = tone.minimum;
    filter.tonePoints = startTonePoints;
    for (const recipeSetting &s : stage.settings) filter.*(parameter(s.field).member) = s.value;
    filter.drawColor = drawColor;
    filter.embossAngle = embossAngle;
    filter.filterType = stage.filterType;
}

void runRecipeStages(QImage &bitmap, colorFilter &filter, std::span<const recipeStage> stages,
                     std::uint32_t drawColor, int embossAngle)
{
    if (stages.empty() || bitmap.width() <= 0 || bitmap.height() <= 0) return;
    myImageArray planes(bitmap);
    for (const recipeStage &stage : stages) {
        setUpRecipeStage(filter, stage, drawColor, embossAngle);
        filter.runOnPlanes(planes);
    }
    filter.redPlane = filter.greenPlane = filter.bluePlane = nullptr;
    planes.storeToBitmap();
}
