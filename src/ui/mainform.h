// The main window: owns the five open-images slots, the engines, the view bitmaps and the shared
// state (current slot, drawing colour, tone-curve state) and holds every command of the program
// as one of its handlers. Its code is split by role:
//   mainform.cpp            construction, resizing, closing
//   mainform_pipeline.cpp   operation codes, preview/execute, the two picture views
//   mainform_files.cpp      open, save, save under a new name, undo, print, information
//   mainform_select.cpp     selecting and closing pictures
//   mainform_parameters.cpp parameter controls of the colour pages and the tone-curve editor
//   mainform_habits.cpp     keyboard shortcuts, the busy cursor, dropped files, the dialogs' folder
#pragma once
#include "colour/colorfilter.h"
#include "imagedata/messagesink.h"
#include "imagedata/myeditingelement.h"
#include "imagedata/rectangle.h"

#include <QImage>
#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
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

class TmainForm : public QMainWindow {
    Q_OBJECT
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

    // Open pictures.
    std::vector<std::unique_ptr<myEditingElement>> editingList; // five slots in slot order
    int editingCount = 0;
    int currentIndex = -1;

    // Engines and shared values.
    colorFilter filter;
    std::uint32_t drawColor = 0;       // packed 0x00BBGGRR
    std::uint32_t backgroundColor = 0; // transform background, packed
    int shapeType = 0;                 // transform code of the 変形 page (engine lands later)
    TjpegQualityForm *jpegQualityForm = nullptr; // owned through Qt parenthood
    TAboutBox *aboutBox = nullptr;               // owned through Qt parenthood
    QString fileFilter;                          // of both file dialogs

    // Tone-curve state.
    int toneSCurveLevel = 0;
    int toneSlopeLevel = 25;
    int toneGammaLevel = 0;
    int toneDragIndex = 9;
    std::vector<double> toneSamples;         // 128 display samples of the curve

    double pictureWidth = 0;
    double pictureHeight = 0;
    bool trimmingActive = false;

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
    int operationCode();
    void captureControls();
    void applyOperation(int mode);
    void layoutViews(int which);
    void drawViews(int which);
    void clearViews(int which);
    void refreshControls();
    void showPictureInfo();
    void refreshAfterPageChange();

    // Files.
    void saveDocument(int index);
    bool saveDocumentAs();
    // The folder of the current picture, where the file dialogs start; empty without one.
    QString currentPictureFolder();
    // Opens dropped files one after the other through the open command, stopping at its limit.
    void openDroppedFiles(const QStringList &files);

    // Select and close.
    void closeImage(int index);
    void removeImage(int index);
    void showCurrentImage();

    // Window.
    void FormResize();
    // Closes every picture through the save prompt, slot 0 each time. With stopOnFailure a save
    // that fails ends the loop and leaves the remaining pictures open; returns whether all closed.
    bool closeAllImages(bool stopOnFailure);

    // Tone-curve editor.
    void toneReset();
    void drawToneCurveEditor();
    void resetTransformControls();

    // Runs a command, showing its errors through the application's error display; returns
    // false when the command ended in an error.
    bool guarded(const std::function<void()> &command);

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
    void brightTrackBarChange();
    void chromaTrackBarChange();
    void hueTrackBarChange();
    void redTrackBarChange();
    void greenTrackBarChange();
    void blueTrackBarChange();
    void outFocusSizeTrackBarChange();
    void outFocusDensityTrackBarChange();
    void fringeSizeTrackBarChange();
    void fringeLevelTrackBarChange();
    void paintTrackBarChange();
    void softSizeTrackBarChange();
    void softCoreLevelTrackBarChange();
    void embosseLevelTrackBarChange();
    void edgeTrackBarChange();
    void colorLevelTrackBarChange();
    void mosaicTrackBarChange();
    void vibrateSizeTrackBarChange();
    void vibrateAngleTrackBarChange();
    void medianTrackBarChange();
    void monoColorRadioGroupClick();
    void embosseAngleRadioGroupClick();
    void fringeShapeRadioGroupClick();
    void paintRadioGroupClick();
    void toneTrackBarChange();
    void toneCurveRadioGroupClick();
    void curveResetButtonClick();
    // Transform page bars: the edit shows the position, then a preview.
    void rotateTrackBarChange();
    void slopeBalanceTrackBarChange();
    void perspectiveTrackBarChange();
    void distortoinTrackBarChange();
    // Colour panel saturation and brush settings: their captions follow the bars.
    void colorChromaTrackBarChange();
    void airBrushSizeTrackBarChange();
    void airBrushDensityTrackBarChange();
    void airBrushShapeTrackBarChange();
    void wateBrushSizeTrackBarChange();
    void wateBrushDensityTrackBarChange();
    void wateBrushShapeTrackBarChange();
    void toneCntImgMouseDown(Qt::MouseButton button, int x, int y);
    void toneCntImgMouseMove(Qt::MouseButtons buttons, int x, int y);
    void toneCntImgMouseUp(Qt::MouseButton button, int x, int y);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    messageSink previousSink;
    void connectHandlers();
    // Keyboard shortcuts of the tool bar and execute, dropped files, and the two radio groups
    // that refresh the preview.
    void installDesktopHabits();
    void setUpParameterControls();
    void selectSlot(int number);
    void closeSlot(int number);
    // Writes a track bar's position into its caption and requests a preview.
    void parameterTrackBarChange(QSlider *trackBar, QLabel *caption);
    // Writes a transform bar's position into its edit and requests a preview.
    void transformTrackBarChange(QSlider *trackBar, QLineEdit *edit);
};
