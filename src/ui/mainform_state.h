// What the main window holds besides its controls: the adapters over them, the two views'
// bitmaps, the five picture slots, the engines and shared values, the parts that own a page or
// the main view, and the background work. Private to the window: its own files, the parts it
// holds and the tests' probe include this; nothing else does.
#pragma once
#include "colour/colorfilter.h"
#include "colour/displaycolour.h"
#include "commitsteps.h"
#include "imagedata/messagesink.h"
#include "imagedata/rectangle.h"
#include "ui/panels/myeditingelement.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QSlider;
class QTimer;
class QWindow;
class pageControl;
class radioGroup;
class staticText;
class progressBar;
class TjpegQualityForm;
class TAboutBox;
class TprintWindow;
class transformPanel;
class mainView;
class brushPainting;
class colorTool;
class brushPanel;
class trackBarSource;
class textTarget;
class backgroundJob;
struct filterParameter;
enum class workOutcome;

struct mainFormState {
    mainFormState();
    ~mainFormState();

    // Framework adapters over the controls.
    std::unique_ptr<pageControl> mainPages, settingsPages, operationPages, adjustPages,
        effectOnePages, effectTwoPages, transformPages;
    std::unique_ptr<radioGroup> toneCurveGroup, fringeShapeGroup, paintGroup, embosseAngleGroup,
        monoColorGroup, rotateAngleGroup;
    std::unique_ptr<progressBar> progress;
    std::vector<std::unique_ptr<staticText>> slotTexts; // the slots' file-name, width, height texts

    // Views.
    QImage mainViewBitmap;           // the current picture fitted into mainImage
    QImage sampleBitmap;             // the picture fitted into sampleImage; previews run on it
    QImage *currentBitmap = nullptr; // the current document's bitmap (set by hasImage)
    QImage mainViewCanvas;           // blank surface of mainImage's size
    rectangle mainViewRect;
    rectangle sampleRect;
    // What the two views show: their bitmaps converted from the picture's profile to sRGB, kept
    // until the bitmap changes (the bitmaps themselves stay in the picture's space).
    displayCopy mainViewShown, sampleShown;

    // Open pictures.
    std::vector<std::unique_ptr<myEditingElement>> editingList; // five slots in slot order
    int editingCount = 0;
    int currentIndex = -1;
    double pictureWidth = 0; // the current picture's size
    double pictureHeight = 0;

    // Engines and shared values.
    colorFilter filter;
    std::uint32_t drawColor = 0;       // packed 0x00BBGGRR
    std::uint32_t backgroundColor = 0; // transform background, packed
    std::unique_ptr<transformPanel> transform;   // the 変形 page: set-up, bars, edits, trimming
    TjpegQualityForm *jpegQualityForm = nullptr; // owned through Qt parenthood
    TAboutBox *aboutBox = nullptr;               // owned through Qt parenthood
    TprintWindow *printWindow = nullptr;         // owned through Qt parenthood
    QString fileFilter;                          // of both file dialogs
    std::unique_ptr<colorTool> colorPanel;       // the カラー tab
    std::unique_ptr<brushPanel> brush;           // the hidden brush pages
    std::vector<std::unique_ptr<trackBarSource>> trackBarSources; // the bars the two read
    std::vector<std::unique_ptr<textTarget>> panelTexts;          // the captions they write

    // The parameter track bars of the colour pages with their engine fields and captions, in
    // table order.
    struct parameterControl {
        const filterParameter *parameter;
        QSlider *trackBar;
        QLabel *caption; // nullptr for toneTrackBar (toneValue shows the curve's parameter)
    };
    std::vector<parameterControl> parameterControls;

    // Tone-curve state.
    int toneSCurveLevel = 0;
    int toneSlopeLevel = 25;
    int toneGammaLevel = 0;
    int toneDragIndex = 9;
    std::vector<double> toneSamples; // 128 display samples of the curve

    // The parts that own a page or the main view, each with its state.
    // Painting with the brushes on mainImage while a brush page shows (made in setUpBrush).
    std::unique_ptr<brushPainting> painting;
    // The main view's zoom, scrolling, before/after, the preview on the picture and the histogram
    // (made last of the window's parts). In fit mode the view is drawn from mainViewBitmap; zoomed,
    // mainViewRect is the picture's extent in the view's pixels (beyond the view when scrolled)
    // and the document's viewScale the zoom.
    std::unique_ptr<mainView> view;

    // Work off the window's thread (mainform_work.cpp): the commit, the one-click buttons, open
    // and save run as one piece of background work at a time; meanwhile the controls that would
    // change a picture or start work are disabled and 中止 (Escape) stops it.
    std::unique_ptr<backgroundJob> job;
    QTimer *progressTimer = nullptr;                    // moves ProgressBar1 while work runs
    QWindow *watchedWindow = nullptr;                   // whose screen changes lay the views out again
    std::vector<commitStep> *collectingSteps = nullptr; // while a command gathers its commit
    // What the window does once the running background work has ended (the next dropped file,
    // the rest of a quit); taken and run once, whatever the outcome.
    std::function<void(workOutcome)> afterWork;
    QStringList droppedQueue; // the dropped files not opened yet
    bool quitting = false;
    messageSink previousSink; // the message display before the window's
};
