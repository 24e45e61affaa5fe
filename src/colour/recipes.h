// The one-click recipes of the "簡単調整" page: which operation codes and parameter values each
// button's stages use, and the sizes derived from the picture's shorter side. The window sets
// its controls from these lists (the page showing each code is its own business);
// korvia-batch and the benchmarks run them on the engine.
#pragma once
#include "colorfilter.h"

#include <QImage>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

struct recipeSetting {
    const char *field; // a filterParameters() field (its track bar on the window)
    int value;         // already inside the bar's range
};

// One commit of a recipe: the filter code and the parameters' values.
struct recipeStage {
    int filterType = 0;
    bool restoreChoice = false; // the window puts back the choice it had before the commit
    std::vector<recipeSetting> settings;
};

struct recipe {
    const char *name;      // korvia-batch name
    const char *button;    // objectName of the button on the 簡単調整 page
    bool needsPicture;     // does nothing at all without a current picture
    bool ownSnapshot;      // one snapshot, then every stage commits; otherwise the execute command
    bool greyDrawColor;    // the drawing colour is grey (128, 128, 128) for the run
};

// The drawing colour of the emboss recipe.
inline constexpr std::uint32_t recipeGreyDrawColor = 128u | (128u << 8) | (128u << 16);
// The tone-curve slope position of the vivid recipe: the identity (25) plus 4, a slope of
// tan 52.2° ≈ 1.29 about mid-grey.
inline constexpr int recipeVividSlope = 25 + 4;
// The fringe level of the darkening and brightening recipes.
inline constexpr int recipeFringeDark = -100;
inline constexpr int recipeFringeBright = 100;

// Every recipe, in the order of the page's buttons.
std::span<const recipe> recipes();
const recipe *findRecipe(std::string_view name);

// min(width, height): the length the sizes follow.
double recipeShorterSide(double width, double height);
// Sizes for a shorter side S, each inside its bar's range.
int recipePaintSize(double shorterSide);      // max(3, min(10, trunc(S · 0.0125)))
int recipeSoftSize(double shorterSide);       // trunc(S · 0.025)
int recipeOutFocusSize(double shorterSide);   // trunc(S · 0.8)
int recipeFringeSize(double shorterSide);     // trunc(S · 0.5)

// The fringe stage shared by the four fringe buttons: the circle shape, size trunc(S · 0.5) and the
// given level, each inside its bar's range.
recipeStage fringePresetStage(double shorterSide, int level);

// The stages of a recipe for a picture with this shorter side.
std::vector<recipeStage> recipeStages(const recipe &r, double shorterSide);

// Sets the engine up for a stage as the window's controls would be: every parameter at its start
// value, then the stage's values, the drawing colour, the emboss angle and the stage's code.
void setUpRecipeStage(colorFilter &filter, const recipeStage &stage, std::uint32_t drawColor, int embossAngle);

// Runs the stages one after another on the bitmap's planes, split once and written back once.
void runRecipeStages(QImage &bitmap, colorFilter &filter, std::span<const recipeStage> stages,
                     std::uint32_t drawColor, int embossAngle);
