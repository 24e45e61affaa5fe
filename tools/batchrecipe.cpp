#include "batchrecipe.h"
#include "batchtexts.h"

#include "colour/recipes.h"

namespace {
struct recipeSummary {
    const char *name;
    const char *summary;
};
const recipeSummary summaries[] = {
    {"vivid", QT_TRANSLATE_NOOP("batchTexts", "ビビット: tone curve slope at position 29 (1.29), chroma 10, sharpen 3")},
    {"recipe-grayscale", QT_TRANSLATE_NOOP("batchTexts", "グレースケール: grey picture of the luma")},
    {"recipe-sepia", QT_TRANSLATE_NOOP("batchTexts", "セピア: sepia picture")},
    {"recipe-emboss", QT_TRANSLATE_NOOP("batchTexts", "エンボス: emboss of depth 30 on grey (128, 128, 128)")},
    {"recipe-paint", QT_TRANSLATE_NOOP("batchTexts", "ペイント: pointillism, size from the shorter side S (S/80, 3..10)")},
    {"soft-filter", QT_TRANSLATE_NOOP("batchTexts", "ソフトフィルター: soft focus of size S/40 (1..30), core 50")},
    {"fringe-soft", QT_TRANSLATE_NOOP("batchTexts", "周辺ソフト: fringe blur of size 0.8 S (3..5000), strength 100")},
    {"fringe-dark", QT_TRANSLATE_NOOP("batchTexts", "周辺暗く: circular fringe of size S/2 (0..5000), level -100")},
    {"gray-fringe-dark", QT_TRANSLATE_NOOP("batchTexts", "モノクロ＋周辺暗く: greyscale, then fringe-dark")},
    {"sepia-fringe-dark", QT_TRANSLATE_NOOP("batchTexts", "セピア＋周辺暗く: sepia, then fringe-dark")},
    {"sepia-fringe-bright", QT_TRANSLATE_NOOP("batchTexts", "セピア＋周辺明るく: sepia, then the fringe at level 100")},
};
} // namespace

bool addRecipeStep(applyRequest &request, std::string_view text)
{
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    const recipe *r = findRecipe(name);
    if (!r) return false;

    int embossAngle = 0;
    if (colon != std::string_view::npos) {
        const std::string_view keys = text.substr(colon + 1);
        if (name != "recipe-emboss")
            throw operationError(std::string(name) + ": unknown key '" + std::string(keys.substr(0, keys.find('='))) +
                                 "' (it takes no keys)");
        if (keys.find("embossAngle=") != 0 || keys.find(',') != std::string_view::npos)
            throw operationError("recipe-emboss: the only key is embossAngle");
        // The emboss operation reads the angle the same way.
        embossAngle = parseOperation("emboss:" + std::string(keys)).embossAngle;
    }

    const std::uint32_t drawColor = r->greyDrawColor ? recipeGreyDrawColor : startDrawColor;
    request.steps.push_back({[r, drawColor, embossAngle](QImage &bitmap, colorFilter &filter, prepareShape &) {
                                 const std::vector<recipeStage> stages =
                                     recipeStages(*r, recipeShorterSide(bitmap.width(), bitmap.height()));
                                 runRecipeStages(bitmap, filter, stages, drawColor, embossAngle);
                             },
                             {},
                             {}});
    return true;
}

std::string recipeUsage()
{
    std::string text;
    for (const recipeSummary &s : summaries) {
        text += "  " + std::string(s.name) + "  " + batchTexts::tr(s.summary).toStdString() + "\n";
        if (std::string_view(s.name) == "recipe-emboss")
            text += "      embossAngle=0|45|90|135|180|225|270 degrees (default 0)\n";
    }
    return text;
}
