// The one-click recipes: sizes from the shorter side, and the stages run on one set of planes
// give what the stages give run one at a time.
#include "colour/recipes.h"
#include "colour/filteroperations.h"
#include "colour/sharedrandom.h"

#include <gtest/gtest.h>

TEST(recipes, sizesFollowTheShorterSideWithinTheBarRanges)
{
    const double small = recipeShorterSide(100, 60);
    EXPECT_EQ(small, 60);
    EXPECT_EQ(recipePaintSize(small), 3);
    EXPECT_EQ(recipeSoftSize(small), 1);
    EXPECT_EQ(recipeOutFocusSize(small), 48);
    EXPECT_EQ(recipeFringeSize(small), 30);
    const double large = recipeShorterSide(4000, 3000);
    EXPECT_EQ(recipePaintSize(large), 10);
    EXPECT_EQ(recipeSoftSize(large), 30);
    EXPECT_EQ(recipeOutFocusSize(large), 2400);
    EXPECT_EQ(recipeFringeSize(large), 1500);
    // A one-pixel strip and a huge panorama stay inside the ranges.
    EXPECT_EQ(recipeSoftSize(1), 1);
    EXPECT_EQ(recipeOutFocusSize(1), 3);
    EXPECT_EQ(recipeFringeSize(1), 0);
    EXPECT_EQ(recipeOutFocusSize(20000), 5000);
    EXPECT_EQ(recipeFringeSize(20000), 5000);

    const auto stages = recipeStages(*findRecipe("sepia-fringe-bright"), small);
    ASSERT_EQ(stages.size(), 2u);
    EXPECT_EQ(stages[0].filterType, filterSepia);
    EXPECT_EQ(stages[1].filterType, filterFringeCircle);
    EXPECT_EQ(stages[1].settings[0].value, 30);
    EXPECT_EQ(stages[1].settings[1].value, 100);
    EXPECT_EQ(recipes().size(), 11u);
    for (const recipe &r : recipes()) EXPECT_FALSE(recipeStages(r, small).empty()) << r.name;
}

TEST(recipes, stagesOnOnePlaneSplitMatchTheStagesRunAlone)
{
    QImage source(37, 23, QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) source.setPixel(x, y, qRgb(x * 7, y * 11, (x * y) % 256));
    for (const char *name : {"vivid", "sepia-fringe-bright", "recipe-emboss", "soft-filter"}) {
        const recipe &r = *findRecipe(name);
        const auto stages = recipeStages(r, recipeShorterSide(source.width(), source.height()));
        const std::uint32_t colour = r.greyDrawColor ? recipeGreyDrawColor : startDrawColor;
        QImage together = source.copy(), alone = source.copy();
        colorFilter filter;
        sharedRandom::instance().seed(5);
        runRecipeStages(together, filter, stages, colour, 90);
        sharedRandom::instance().seed(5);
        for (const recipeStage &stage : stages) {
            setUpRecipeStage(filter, stage, colour, 90);
            filter.runOnBitmap(alone);
        }
        EXPECT_EQ(together, alone) << name;
        EXPECT_NE(together, source) << name;
    }
}

TEST(recipes, vividWidensTheTonesRatherThanFlatteningThem)
{
    QImage picture(64, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x) picture.setPixel(x, y, qRgb(64 + 2 * x, 64 + 2 * x, 64 + 2 * x));
    colorFilter filter;
    runRecipeStages(picture, filter, recipeStages(*findRecipe("vivid"), 8), startDrawColor, 0);
    // Away from the sharpened edges, the grey ramp 66..190 is stretched about mid-grey.
    const int dark = qRed(picture.pixel(1, 4)), light = qRed(picture.pixel(62, 4));
    EXPECT_LT(dark, 66 - 10);
    EXPECT_GT(light, 190 + 10);
}
