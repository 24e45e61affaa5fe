// The main window: owns the five open-images slots, the engines, the view bitmaps and the shared
// state (current slot, drawing colour, tone-curve state) and holds every command of the program
// as one of its handlers. Its code is split by role:
//   mainform.cpp            construction, resizing, closing
//   mainform_pipeline.cpp   operation codes, preview/execute, the two picture views
//   mainform_files.cpp      open, save, save under a new name, undo, print, information
//   mainform_select.cpp     selecting and closing pictures
//   mainform_parameters.cpp parameter controls of the colour pages and the tone-curve editor
//   transformpanel*.cpp     the 変形 page (transformPanel): its set-up, bars, edits and trimming
//   mainform_colour.cpp     the colour panel and the brush settings
//   mainform_recipes.cpp    the one-click buttons of the 簡単調整 page
//   mainform_habits.cpp     keyboard shortcuts, the busy cursor, dropped files, the dialogs' folder
//   mainform_displaycolour.cpp  the views' and thumbnails' colours from the picture's ICC profile
//   mainform_work.cpp       work off the window's thread: the commit, busy state, 中止
// and the classes it holds for a part of the window, each owning its state:
//   mainview.cpp            mainView: zoom and scrolling of mainImage, before/after, drawing at a zoom
//   mainview_preview.cpp    mainView: the preview on the picture and the histogram
//   brushpainting.cpp       brushPainting: painting with the brushes on mainImage
#pragma once
#include "colour/colorfilter.h"
#include "commitsteps.h"
#include "geometry/brushstroke.h"
#include "colour/displaycolour.h"
#include "imagedata/messagesink.h"
#include "ui/panels/myeditingelement.h"
#include "imagedata/rectangle.h"
#include "operationpages.h"

#include <QImage>
#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace Ui {
class TmainForm;
}
class QLabel;
class QSlider;
class QLineEdit;
class imageDocument;
class pageControl;
class radioGroup;
class staticText;
class progressBar;
struct filterParameter;
class TjpegQualityForm;
class TAboutBox;
class TprintWindow;
class transformPanel;
class colorTool;
class brushPanel;
class trackBarSource;
class textTarget;
struct recipeStage;
class backgroundJob;
struct progressIndicator;
enum class workOutcome;
class QTimer;
class QWindow;
class mainView;
class brushPainting;

// A picture with at least one pixel (what the views and the operations can work on).
inline bool hasPixels(const QImage &picture) { return picture.width() > 0 && picture.height() > 0; }

class TmainForm : public QMainWindow {
    Q_OBJECT
    friend class ::mainView;
    friend class ::brushPainting;

public:
    explicit TmainForm(QWidget *parent = nullptr);
    ~TmainForm() override;

    // Controls built from mainform.ui.
    std::unique_ptr<Ui::TmainForm> ui;

    // Framework adapters over the controls.
    std::unique_ptr<pageControl> mainPages, settingsPages, operationPages, adjustPages,
        effectOnePages, effectTwoPages, transformPages;
    std::unique_ptr<radioGroup> toneCurveGroup, fringeShapeGroup, paintGroup, embosseAngleGroup,
        monoColorGroup, rotateAngleGroup;
    std::unique_ptr<progressBar> progress;
    std::vector<std::unique_ptr<staticText>> slotTexts; // the slots' file-name, width, height texts

    // Views.
    QImage mainViewBitmap;          // the current picture fitted into mainImage
    QImage sampleBitmap;            // the picture fitted into sampleImage; previews run on it
    QImage *currentBitmap = nullptr; // the current document's bitmap (set by hasImage)
    QImage mainViewCanvas;          // blank surface of mainImage's size
    rectangle mainViewRect;
    rectangle sampleRect;
    // What the two views show: their bitmaps converted from the picture's profile to sRGB, kept
    // until the bitmap changes (the bitmaps themselves stay in the picture's space).
    displayCopy mainViewShown, sampleShown;

    // Open pictures.
    std::vector<std::unique_ptr<myEditingElement>> editingList; // five slots in slot order
    int editingCount = 0;
    int currentIndex = -1;

    // Engines and shared values.
    colorFilter filter;
    std::uint32_t drawColor = 0;       // packed 0x00BBGGRR
    std::uint32_t backgroundColor = 0; // transform background, packed
    std::unique_ptr<transformPanel> transform;    // the 変形 page: set-up, bars, edits, trimming
    TjpegQualityForm *jpegQualityForm = nullptr; // owned through Qt parenthood
    TAboutBox *aboutBox = nullptr;               // owned through Qt parenthood
    TprintWindow *printWindow = nullptr;         // owned through Qt parenthood
    QString fileFilter;                          // of both file dialogs
    std::unique_ptr<colorTool> colorPanel;       // the カラー tab
    std::unique_ptr<brushPanel> brush;           // the hidden brush pages
    std::vector<std::unique_ptr<trackBarSource>> trackBarSources; // the bars the two read
    std::vector<std::unique_ptr<textTarget>> panelTexts;          // the captions they write

    // Tone-curve state.
    int toneSCurveLevel = 0;
    int toneSlopeLevel = 25;
    int toneGammaLevel = 0;
    int toneDragIndex = 9;
    std::vector<double> toneSamples;         // 128 display samples of the curve

    double pictureWidth = 0;
    double pictureHeight = 0;

    // The parameter track bars with their engine fields and captions, in table order.
    struct parameterControl {
        const filterParameter *parameter;
        QSlider *trackBar;
        QLabel *caption; // nullptr for toneTrackBar (toneValue shows the curve's parameter)
    };
    std::vector<parameterControl> parameterControls;

    // The document of a slot, or nullptr for an empty or invalid slot.
    imageDocument *documentAt(int index) const;

    // Pipeline.
    bool hasImage();
    // The operation code of the current page, tab and radio choice (operationpages.h); writes
    // nothing.
    int operationCode() const;
    // Writes the current choice's code into its engine (filterType on the colour pages, the
    // transform set-up's shapeType on 変形; nothing without an active page) and returns it.
    int selectOperation();
    // The tab control of an operation page and the radio group a tab chooses with; nullptr for none.
    pageControl *operationTabs(int page) const;
    radioGroup *operationRadioGroup(operationRadio radio) const;
    void captureControls();
    // What applyOperation does with the active operation: commit it to the picture, or preview
    // it on the sample (and, when asked, on the main view).
    enum operationMode : int { commitMode = 0, previewMode = 1 };
    void applyOperation(operationMode mode);
    // The picture views layoutViews, drawViews and clearViews work on.
    enum viewChoice : int { mainView = 0, sampleView = 1, bothViews = 99 };
    void layoutViews(viewChoice which);
    void drawViews(viewChoice which);
    void clearViews(viewChoice which);
    void refreshControls();
    void showPictureInfo();
    void refreshAfterPageChange();
    // After a commit: the sample view shows the committed picture (with the guide grid on 変形).
    void showCommittedSample();

    // Display colours (mainform_displaycolour.cpp).
    void setUpDisplayColours(); // the slots' thumbnails and the profile's line on 画像情報
    displayColours currentDisplayColours() const;
    void showColourProfileInfo();
    void showLeftOutMetadata(); // on 画像情報: what a save leaves out of the picture's records

    // Files.
    // inBackground: written off the window's thread (the commands, the close prompt and quitting);
    // otherwise at once (the window's end). afterSaved runs once the file is written and the
    // picture marked saved, never after a save that failed or was cancelled.
    void saveDocument(int index, bool inBackground = false, const std::function<void()> &afterSaved = {});
    // A HEIF/AVIF or RAW picture, which cannot be written back; as saveDocument.
    void saveBesideAsJpeg(int index, bool inBackground, const std::function<void()> &afterSaved);
    bool saveDocumentAs();
    // The print window over the pictures made for it; the print it asks for runs beside the window.
    void showPrintWindow();
    // The JPEG quality dialog's choice; throws operationAbandoned when it is cancelled.
    int askJpegQuality();
    // The same for a JPEG save of d: the dialog offers keeping the original quality when d was
    // read from (or saved as) a JPEG, ticked when its changes allow it; keep receives the choice.
    int askJpegQuality(const imageDocument &d, bool &keep);
    // Writes a picture file as background work (inBackground) or at once, then runs saved on the
    // window's thread; a write that fails or is cancelled runs nothing.
    void writeThenFinish(bool inBackground, const std::function<void(const progressIndicator &)> &write,
                         const std::function<void()> &saved);
    // The folder of the current picture, where the file dialogs start; empty without one.
    QString currentPictureFolder();
    // Opens dropped files one after the other through the open command, each once the one before
    // has been read, stopping at its limit; a file that fails is reported and the rest go on, and
    // 中止 stops the rest too.
    void openDroppedFiles(const QStringList &files);
    void openNextDroppedFile();
    QStringList droppedQueue; // the dropped files not opened yet

    // Select and close.
    // With the save prompt; a "yes" saves in the background (inBackground) and the picture goes
    // once its file is written; a save that fails or is cancelled leaves it open. The prompt left
    // unanswered (Escape, its close button) keeps the picture open with its changes and throws
    // operationAbandoned.
    void closeImage(int index, bool inBackground = true);
    void removeImage(int index);
    void showCurrentImage();

    // Window.
    void FormResize();
    // The window's end: closes every picture through the save prompt, slot 0 each time, each save
    // written at once; a picture whose save fails, or whose prompt is left unanswered, goes all
    // the same, as the window itself goes.
    void closeAllImages();
    // The window's close: the pictures close one after the other through the save prompt (its
    // saves in the background); returns whether all are closed. A save that fails or is
    // cancelled, or a prompt left unanswered, ends it and keeps the rest open; while one is written the close waits (quitting)
    // and goes on once it has ended well.
    bool closePicturesToQuit();
    bool quitting = false;

    // Tone-curve editor.
    void toneReset();
    void drawToneCurveEditor();
    // Colour panel and brush (construction steps 11 and 13).
    void setUpColourPanel();
    void setUpBrush();
    void paletImageMouseDown(int index); // one body for the 30 swatches (0-based)
    void paletImageMouseEnter(int index);

    // Painting with the brushes on mainImage while a brush page shows (made in setUpBrush).
    std::unique_ptr<::brushPainting> painting;

    // The main view's zoom, scrolling, before/after, the preview on the picture and the histogram
    // (made last of the window's parts). In fit mode the view is drawn from mainViewBitmap; zoomed,
    // mainViewRect is the picture's extent in the view's pixels (beyond the view when scrolled)
    // and the document's viewScale the zoom.
    std::unique_ptr<::mainView> view;

    // One-click recipes.
    void runFringePreset(int level);
    void runRecipeButton(const char *name);
    void runRecipeStage(const recipeStage &stage, bool execute, bool greyDrawColor = false);

    // Runs a command, showing its errors through the application's error display; returns
    // false when the command ended in an error.
    bool guarded(const std::function<void()> &command);

    // Work off the window's thread (mainform_work.cpp): the commit, the one-click buttons, open
    // and save run as one piece of background work at a time; meanwhile the controls that would
    // change a picture or start work are disabled and 中止 (Escape) stops it.
    std::unique_ptr<backgroundJob> job;
    QTimer *progressTimer = nullptr;           // moves ProgressBar1 while work runs
    QWindow *watchedWindow = nullptr;          // whose screen changes lay the views out again
    std::vector<commitStep> *collectingSteps = nullptr; // while a command gathers its commit
    bool busy() const;
    // What the window does once the running background work has ended (the next dropped file,
    // the rest of a quit); taken and run once, whatever the outcome.
    std::function<void(workOutcome)> afterWork;
    void setUpBackgroundWork();
    void showBusy(bool working);
    // The commit of the active page as the controls stand (operationCode, captureControls, the
    // transform checks); nothing for a page without an operation.
    std::optional<commitStep> captureCommitStep();
    // Runs the gathered steps on the current picture; when they are done the picture gets its one
    // undo step and the result (a cancel leaves both as they were).
    void startCommit(std::vector<commitStep> steps);
    void cancelButtonClick();

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
    friend class transformPanel;
    friend struct windowProbe;
    messageSink previousSink;
    void connectHandlers();
    void connectRecipeButtons();
    // Keyboard shortcuts of the tool bar and execute, dropped files, and the two radio groups
    // that refresh the preview.
    void installDesktopHabits();
    void setUpParameterControls();
    // Sets a track bar's range, start position, ticks and steps (the start is kept whatever the
    // bar's range was before).
    static void setUpTrackBar(QSlider *bar, int minimum, int maximum, int start, int tickSpacing,
                              int pageStep);
    void selectSlot(int number);
    void closeSlot(int number);
    // Writes a track bar's position into its caption and requests a preview.
    void parameterTrackBarChange(QSlider *trackBar, QLabel *caption);
    // A brush bar: its position into its caption, then the brush of that kind set up again.
    void brushTrackBarChange(QSlider *trackBar, QLabel *caption, int kind);
};
