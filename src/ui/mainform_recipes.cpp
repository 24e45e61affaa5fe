// The one-click buttons of the "簡単調整" page. Each button sets the parameter controls and pages
// of its recipe's stages (colour/recipes.h), commits them to the current picture and puts the
// controls back, leaving exactly one undo step.
#include "mainform.h"
#include "mainform_state.h"

#include "widgets/busycursor.h"

#include "colour/recipes.h"
#include "colour/sharedrandom.h"
#include "imagedata/imagedocument.h"
#include "colour/filterparameters.h"
#include "widgets/pagecontrol.h"
#include "widgets/radiogroup.h"
#include "ui_mainform.h"

#include <QScopeGuard>
#include <QSlider>

namespace {
QSlider *trackBarOf(const std::vector<mainFormState::parameterControl> &controls, const char *field)
{
    for (const mainFormState::parameterControl &c : controls)
        if (std::string_view(c.parameter->field) == field) return c.trackBar;
    return nullptr;
}
} // namespace

void TmainForm::connectRecipeButtons()
{
    const std::pair<QAbstractButton *, void (TmainForm::*)()> buttons[] = {
        {ui->clearSpeedButton, &TmainForm::clearSpeedButtonClick},
        {ui->grayScaleSpeedButton, &TmainForm::grayScaleSpeedButtonClick},
        {ui->sepiaSpeedButton, &TmainForm::sepiaSpeedButtonClick},
        {ui->embossSpeedButton, &TmainForm::embossSpeedButtonClick},
        {ui->paintSpeedButton, &TmainForm::paintSpeedButtonClick},
        {ui->softFilterSpeedButton, &TmainForm::softFilterSpeedButtonClick},
        {ui->fringeOutFocusSpeedButton, &TmainForm::fringeOutFocusSpeedButtonClick},
        {ui->fringeBrightSpeedButton, &TmainForm::fringeBrightSpeedButtonClick},
        {ui->grayScale_fringeDarkSpeedButton, &TmainForm::grayScale_fringeDarkSpeedButtonClick},
        {ui->sepia_fringeDarkSpeedButton, &TmainForm::sepia_fringeDarkSpeedButtonClick},
        {ui->sepia_fringeBrightSpeedButton, &TmainForm::sepia_fringeBrightSpeedButtonClick},
    };
    for (const auto &[button, handler] : buttons) {
        connect(button, &QAbstractButton::clicked, this, [this, handler = handler] {
            const busyCursor working; // a recipe works on the whole picture, stage after stage
            (this->*handler)();
        });
    }
}

void TmainForm::runRecipeStage(const recipeStage &stage, bool execute, bool greyDrawColor)
{
    // The page, tab and radio item that show the stage's code.
    const operationChoice *choice = filterChoiceOf(std::uint32_t(stage.filterType));
    radioGroup *group = choice ? operationRadioGroup(choice->radio) : nullptr;

    // Remember the bars the stage sets (before the radio item, which may move the tone bar) and
    // put them back afterwards, whatever happens in between.
    std::vector<std::pair<QSlider *, int>> remembered;
    for (const recipeSetting &s : stage.settings)
        if (QSlider *bar = trackBarOf(state->parameterControls, s.field)) remembered.emplace_back(bar, bar->value());
    const int previousItem = group ? group->itemIndex() : -1;
    const std::uint32_t drawing = state->drawColor;
    const auto restore = qScopeGuard([&] {
        state->drawColor = drawing; // first, so the previews the bars run below show the user's colour
        for (const auto &[bar, position] : remembered) bar->setValue(position);
        if (group && stage.restoreChoice) group->setItemIndex(previousItem);
    });

    if (greyDrawColor) state->drawColor = recipeGreyDrawColor;
    if (group) group->setItemIndex(choice->item);
    for (const recipeSetting &s : stage.settings)
        if (QSlider *bar = trackBarOf(state->parameterControls, s.field)) bar->setValue(s.value);
    if (choice) {
        state->operationPages->setActivePageIndex(choice->page);
        operationTabs(choice->page)->setActivePageIndex(choice->tab);
    }

    if (execute)
        executeButtonClick();
    else
        applyOperation(operationMode::commit);
}

void TmainForm::runFringePreset(int level)
{
    if (!hasImage()) return;
    runRecipeStage(fringePresetStage(recipeShorterSide(state->pictureWidth, state->pictureHeight), level), false);
}

void TmainForm::runRecipeButton(const char *name)
{
    const recipe *r = findRecipe(name);
    if (!r || busy()) return;
    const bool picture = hasImage();
    if (r->needsPicture && !picture) return;
    const double shorterSide = picture ? recipeShorterSide(state->pictureWidth, state->pictureHeight) : 0.0;
    const std::vector<recipeStage> stages = recipeStages(*r, shorterSide);

    if (!r->ownSnapshot) {
        // One stage through the execute command (which checks for a picture and stores the
        // snapshot); the emboss recipe runs on a grey drawing colour.
        for (const recipeStage &stage : stages) runRecipeStage(stage, true, r->greyDrawColor);
        // Putting the stage's controls back ran previews: the sample shows the picture again.
        guarded([this] { showCommittedSample(); });
        return;
    }

    guarded([&] {
        if (busy() || !hasImage()) return;
        // A picture without pixels (an unknown file type) has nothing to process or to store.
        if (state->currentBitmap->width() <= 0 || state->currentBitmap->height() <= 0) return;
        // Every stage's controls are set, taken and put back now; the stages then run one after
        // another as one commit with the one undo step of the button.
        std::vector<commitStep> steps;
        state->collectingSteps = &steps;
        const auto gathered = qScopeGuard([this] { state->collectingSteps = nullptr; });
        {
            // The previews the settings run meanwhile draw from a copy of the random sequence: the
            // commit starts where the sequence stands now, as the stages' own runs one after another.
            sharedRandom::privateStream previews(sharedRandom::instance().position());
            for (const recipeStage &stage : stages) {
                if (stage.filterType == filterFringeCircle) {
                    const recipeSetting *level = nullptr;
                    for (const recipeSetting &s : stage.settings)
                        if (std::string_view(s.field) == "fringeLevel") level = &s;
                    runFringePreset(level ? level->value : recipeFringeDark);
                } else {
                    runRecipeStage(stage, false);
                }
            }
        }
        state->collectingSteps = nullptr;
        startCommit(std::move(steps));
    });
}

void TmainForm::clearSpeedButtonClick() { runRecipeButton("vivid"); }
void TmainForm::grayScaleSpeedButtonClick() { runRecipeButton("recipe-grayscale"); }
void TmainForm::sepiaSpeedButtonClick() { runRecipeButton("recipe-sepia"); }
void TmainForm::embossSpeedButtonClick() { runRecipeButton("recipe-emboss"); }
void TmainForm::paintSpeedButtonClick() { runRecipeButton("recipe-paint"); }
void TmainForm::softFilterSpeedButtonClick() { runRecipeButton("soft-filter"); }
void TmainForm::fringeOutFocusSpeedButtonClick() { runRecipeButton("fringe-soft"); }
void TmainForm::fringeBrightSpeedButtonClick() { runRecipeButton("fringe-dark"); }
void TmainForm::grayScale_fringeDarkSpeedButtonClick() { runRecipeButton("gray-fringe-dark"); }
void TmainForm::sepia_fringeDarkSpeedButtonClick() { runRecipeButton("sepia-fringe-dark"); }
void TmainForm::sepia_fringeBrightSpeedButtonClick() { runRecipeButton("sepia-fringe-bright"); }
