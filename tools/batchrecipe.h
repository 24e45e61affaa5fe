// korvia-batch apply: the one-click recipes of the window's 簡単調整 page, by name (vivid,
// recipe-sepia, fringe-dark, ...). Each runs the very stages of its button, with the sizes taken
// from the picture's shorter side and every other control at its start position.
#pragma once
#include "batchapply.h"

#include <string>
#include <string_view>

// When text names a recipe (`name` or `recipe-emboss:embossAngle=D`), adds it to the request as
// the next step and returns true; throws operationError on a key the recipe does not take.
// Returns false for any other text.
bool addRecipeStep(applyRequest &request, std::string_view text);

// Usage lines for the recipes.
std::string recipeUsage();
