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

// A picture with at least one pixel (what the views and the operations can work on).
inline bool hasPixels(const QImage &picture) { return picture.width() > 0 && picture.height() > 0; }

class TmainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TmainForm(QWidget *parent = nullptr);
    ~TmainForm() override;

    // What applyOperation does: commit to the picture, or preview on the sample (and main view).
    enum class operationMode { commit, preview };
    // The picture views layoutViews, drawViews and clearViews work on.
    enum class viewChoice { main, sample, both };

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
    // The parts the window holds, and the tests' probe (windowprobe.h).
    friend class transformPanel;
    friend class mainView;
    friend class brushPainting;
    friend struct windowProbe;
    std::unique_ptr<Ui::TmainForm> ui;    // the controls built from mainform.ui
    std::unique_ptr<mainFormState> state; // everything else the window holds

    // Construction (mainform.cpp, mainform_colour.cpp, mainform_habits.cpp, mainform_work.cpp).
    void connectHandlers();
    void connectRecipeButtons();
    void installDesktopHabits();
    void setUpParameterControls();
    static void setUpTrackBar(QSlider *bar, int minimum, int maximum, int start, int tickSpacing, int pageStep);
    void setUpDisplayColours();
    void setUpColourPanel();
    void setUpBrush();
    void setUpBackgroundWork();
    void FormResize();

    // The pipeline (mainform_pipeline.cpp).
    imageDocument *documentAt(int index) const;
    bool hasImage();
    int operationCode() const;
    int selectOperation();
    pageControl *operationTabs(int page) const;
    radioGroup *operationRadioGroup(operationRadio radio) const;
    void captureControls();
    void applyOperation(operationMode mode);
    void layoutViews(viewChoice which);
    void drawViews(viewChoice which);
    void clearViews(viewChoice which);
    void refreshControls();
    void showPictureInfo();
    void refreshAfterPageChange();
    void showCommittedSample();
    bool guarded(const std::function<void()> &command);
    // Display colours (mainform_displaycolour.cpp).
    displayColours currentDisplayColours() const;
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
    bool busy() const;
    void showBusy(bool working);
    std::optional<commitStep> captureCommitStep();
    void startCommit(std::vector<commitStep> steps);
    void cancelButtonClick();
};
