// The print settings window: a 500-pixel preview of the sheet with its printable area and the
// picture on it, which the user moves by its body and scales by its corners (the aspect ratio is
// kept), the orientation, the number of copies, the printer's set-up dialog, the printed sizes in
// millimetres, and the print command. The page arithmetic lives in pagelayout.h; this window reads
// the printer, draws the preview and forwards the mouse.
#pragma once
#include "colour/displaycolour.h"
#include "geometry/commonresizerect.h"
#include "imagedata/rectangle.h"
#include "pagelayout.h"
#include "printdevice.h"
#include "printwork.h"

#include <QDialog>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QSpinBox;
class imageControl;
class radioGroup;
class staticText;
class upDown;
class QImage;
namespace Ui {
class TprintWindow;
}

class TprintWindow : public QDialog {
    Q_OBJECT
public:
    // printerDevice replaces the system's printer (tests); nullptr takes systemPrinter().
    explicit TprintWindow(QWidget *parent = nullptr, std::unique_ptr<printDevice> printerDevice = nullptr);
    ~TprintWindow() override;

    // The controls of the form (owned by the window).
    imageControl *printImage;
    std::unique_ptr<radioGroup> printDirectionRadioGroup;
    enum printDirection : int { portraitItem = 0, landscapeItem = 1 }; // its items
    std::unique_ptr<upDown> printNumUpDown;
    std::unique_ptr<staticText> printNumStaticText, printerNameStaticText, imageWidthStaticText,
        imageHeightStaticText, printLimitWidthStaticText, printLimitHeightStaticText;
    QPushButton *adjustSpeedButton, *gobackSpeedButton, *printExecuteSpeedButton;

    std::unique_ptr<printDevice> printer;
    deviceCapabilities device; // as last read, in device pixels
    int copies = 1;
    const QImage *picture = nullptr; // the current document's bitmap, not owned
    // The picture's colours on screen and on paper: converted from its ICC profile to sRGB by
    // this transform (set by the owner before initLayout; nullptr: as they are), into shownPicture.
    std::shared_ptr<const displayTransform> pictureColours;
    displayCopy shownPicture;
    // The same made beforehand beside the window (preparePrintPictures); when set, the preview is
    // drawn from its reduced copy and the page printed from its converted picture.
    printPictures prepared;
    // The owner prints beside its window: the print command then only notes the page's place,
    // sets printRequested and closes the window accepted, and the owner runs printWork().
    bool printBeside = false;
    bool printRequested = false;
    double previewScale = 0;         // preview pixels per device pixel
    double aspectRatio = 0;          // picture height ÷ width
    rectangle paperRect;             // preview pixels
    rectangle printableRect;         // preview pixels
    commonResizeRect placement;      // the picture's rectangle on the preview
    int pressWidth = 0, pressHeight = 0;
    rectangle deviceRect;            // device pixels, relative to the printable area

    // Prepares the window for currentPicture (nothing happens for nullptr). The window is then
    // shown modally by its owner.
    void initLayout(const QImage *currentPicture);
    void readPrinter();
    void layoutPage();
    void fitPicture();
    void drawPreview();
    void showSizes();
    void resizeKeepingAspect(int mode, int width, int height);
    // The print of the page as the window placed it last, to be run beside the window: the
    // printer is the window's, the rest is captured now.
    std::function<void(const progressIndicator &)> printWork();
    // Lets go of the pictures (the converted copies of the whole picture) once the print is over.
    void dropPictures();

public slots:
    void printDirectionRadioGroupClick();
    void adjustSpeedButtonClick();
    void gobackSpeedButtonClick();
    void printNumEditChange();
    void printExecuteSpeedButtonClick();
    void printImageMouseDown(Qt::MouseButton button, int x, int y);
    void printImageMouseMove(Qt::MouseButtons buttons, int x, int y);
    void printImageMouseUp(Qt::MouseButton button, int x, int y);

private:
    const QImage &previewPicture(); // what the preview draws
    const QImage &printedPicture(); // what the page prints
    std::unique_ptr<Ui::TprintWindow> ui;
};
