// The main window: owns the five open-images slots, the engines, the view bitmaps and the shared
// state (current slot, drawing colour, tone-curve state; mainform_state.h, private to it) and holds
// every command of the program as one of its handlers. Its code is split by role:
//   mainform.cpp            construction, resizing, closing
//   mainform_pipeline.cpp   operation codes, preview/execute, the two picture views
//   mainform_files.cpp      open, save, save under a new name, undo, print, information
//   mainform_formats.cpp    the picture types a save writes
//   mainform_select.cpp     selecting and closing pictures
//   mainform_parameters.cpp parameter controls of the colour pages and the tone-curve editor
//   mainform_colour.cpp     the colour panel and the brush settings
//   mainform_recipes.cpp    the one-click buttons of the 簡単調整 page
//   mainform_habits.cpp     keyboard shortcuts, the busy cursor, dropped files, the dialogs' folder
//   mainform_displaycolour.cpp  the views' and thumbnails' colours from the picture's ICC profile
//   mainform_work.cpp       work off the window's thread: the commit, busy state, 中止
// and the classes it holds for a part of the window, each owning its state:
//   transformpanel*.cpp     transformPanel: the 変形 page, its set-up, bars, edits and trimming
//   mainview*.cpp           mainView: zoom, scrolling, before/after, the preview on the picture, histogram
//   brushpainting.cpp       brushPainting: painting with the brushes on mainImage
#pragma once
#include "colour/displaycolour.h"
#include "operationpages.h"
#include "windowhost.h"

#include <QImage>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace Ui { class TmainForm; }
class QLabel;
class QSlider;
class imageDocument;
class pageControl;
class radioGroup;
struct mainFormState;
struct commitStep;
struct recipeStage;
struct progressIndicator;

class TmainForm : public QMainWindow, private windowHost {
    Q_OBJECT
public:
    explicit TmainForm(QWidget *parent = nullptr);
    ~TmainForm() override;

public slots:
    // Pipeline.
    void executeButtonClick();
    void mainPageControlChange();
    void imageOperationPageControlChange();
    void imageAdjustPageControlChange();
    void imageEffectOnePageControlChange();
    void imageEffectTwoPageControlChange();
    void imageTransformPageControlChange();
    // Files.
    void fileOpenButtonClick();
    void saveSpeedButtonClick();
    void renameSaveSpeedButtonClick();
    void printSpeedButtonClick();
    void undoButtonClick();
    void undoSpeedButtonClick();
    void informationButtonClick();
    // Select and close.
    void editChangeButton1Click();
    void editChangeButton2Click();
    void editChangeButton3Click();
    void editChangeButton4Click();
    void editChangeButton5Click();
    void editCloseButton1Click();
    void editCloseButton2Click();
    void editCloseButton3Click();
    void editCloseButton4Click();
    void editCloseButton5Click();
    void theEndButtonClick();
    // Parameter controls.
    void monoColorRadioGroupClick();
    void embosseAngleRadioGroupClick();
    void fringeShapeRadioGroupClick();
    void paintRadioGroupClick();
    void toneTrackBarChange();
    void toneCurveRadioGroupClick();
    void curveResetButtonClick();
    // Colour panel saturation and brush settings: their captions follow the bars.
    void colorChromaTrackBarChange();
    void sampleColorImageMouseMove(Qt::MouseButtons buttons, int x, int y);
    void sampleColorImageMouseDown(Qt::MouseButton button, int x, int y);
    // One-click buttons.
    void clearSpeedButtonClick();
    void grayScaleSpeedButtonClick();
    void sepiaSpeedButtonClick();
    void embossSpeedButtonClick();
    void paintSpeedButtonClick();
    void softFilterSpeedButtonClick();
    void fringeOutFocusSpeedButtonClick();
    void fringeBrightSpeedButtonClick();
    void grayScale_fringeDarkSpeedButtonClick();
    void sepia_fringeDarkSpeedButtonClick();
    void sepia_fringeBrightSpeedButtonClick();
    void toneCntImgMouseDown(Qt::MouseButton button, int x, int y);
    void toneCntImgMouseMove(Qt::MouseButtons buttons, int x, int y);
    void toneCntImgMouseUp(Qt::MouseButton button, int x, int y);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // The tests' probe (windowprobe.h). The parts the window holds see it as their windowHost, which
    // holds its controls (ui) and its state.
    friend struct windowProbe;
    QWidget &widget() override { return *this; }
    windowHost &host() { return *this; }
    void viewMoved() override;

    // Construction (mainform.cpp, mainform_colour.cpp, mainform_habits.cpp, mainform_work.cpp).
    void connectHandlers();
    void connectRecipeButtons();
    void installDesktopHabits();
    void setUpParameterControls();
    void setUpDisplayColours();
    void setUpColourPanel();
    void setUpBrush();
    void setUpBackgroundWork();
    void FormResize();

    // The pipeline (mainform_pipeline.cpp).
    imageDocument *documentAt(int index) const override;
    bool hasImage() override;
    int operationCode() const override;
    int selectOperation();
    pageControl *operationTabs(int page) const;
    radioGroup *operationRadioGroup(operationRadio radio) const;
    void captureControls();
    void applyOperation(operationMode mode) override;
    void layoutViews(viewChoice which) override;
    void drawViews(viewChoice which) override;
    void clearViews(viewChoice which);
    void refreshControls();
    void showPictureInfo();
    void refreshAfterPageChange();
    void showCommittedSample();
    bool guarded(const std::function<void()> &command) override;
    // Display colours (mainform_displaycolour.cpp).
    displayColours currentDisplayColours() const override;
    void showColourProfileInfo();
    void showLeftOutMetadata();

    // Files, selecting and closing (mainform_files.cpp, mainform_select.cpp, mainform_habits.cpp).
    void saveDocument(int index, bool inBackground = false, const std::function<void()> &afterSaved = {});
    void saveBesideAsJpeg(int index, bool inBackground, const std::function<void()> &afterSaved);
    bool saveDocumentAs();
    void showPrintWindow();
    int askJpegQuality();
    int askJpegQuality(const imageDocument &d, bool &keep);
    void writeThenFinish(bool inBackground, const std::function<void(const progressIndicator &)> &write,
                         const std::function<void()> &saved);
    QString currentPictureFolder();
    void openDroppedFiles(const QStringList &files);
    void openNextDroppedFile();
    void closeImage(int index, bool inBackground = true);
    void removeImage(int index);
    void showCurrentImage();
    void selectSlot(int number);
    void closeSlot(int number);
    void closeAllImages();
    bool closePicturesToQuit();

    // Parameter controls, tone curve, colour panel and brushes.
    void parameterTrackBarChange(QSlider *trackBar, QLabel *caption);
    void brushTrackBarChange(QSlider *trackBar, QLabel *caption, int kind);
    void toneReset();
    void drawToneCurveEditor();
    void paletImageMouseDown(int index);
    void paletImageMouseEnter(int index);
    // One-click recipes (mainform_recipes.cpp).
    void runFringePreset(int level);
    void runRecipeButton(const char *name);
    void runRecipeStage(const recipeStage &stage, bool execute, bool greyDrawColor = false);

    // Work off the window's thread (mainform_work.cpp).
    bool busy() const override;
    void showBusy(bool working);
    std::optional<commitStep> captureCommitStep();
    void startCommit(std::vector<commitStep> steps);
    void cancelButtonClick();
};
