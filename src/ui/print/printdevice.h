// The printer as the print window sees it: the eight device capabilities, copy count,
// orientation, a name to show, the system's set-up dialog and one page with a picture drawn scaled
// into a rectangle. systemPrinter() is the real one (Qt Print Support over the system's print
// queues); tests put a small fake in its place.
#pragma once
#include "imagedata/progress.h"
#include "imagedata/rectangle.h"
#include "pagelayout.h"

#include <QString>
#include <memory>

class QDialog;
class QImage;
class QWidget;

class printDevice {
public:
    virtual ~printDevice() = default;

    virtual deviceCapabilities capabilities() const = 0;
    virtual int copyCount() const = 0;
    virtual void setCopyCount(int copies) = 0;
    virtual bool isLandscape() const = 0;
    virtual void setLandscape(bool landscape) = 0;
    // The title of the next print job (the queue lists it, a PDF queue names its file by it).
    virtual void setDocumentName(const QString &title) = 0;
    // The printer's name, or where the PDF file goes when printing to a file.
    virtual QString name() = 0;
    // The set-up dialog (printer, paper, orientation), not yet shown; it changes the printer only
    // when it is accepted.
    virtual std::unique_ptr<QDialog> setupDialog(QWidget *parent) = 0;
    // One document of one page: picture drawn scaled into target, in device pixels relative to the
    // printable area's top-left corner, and cut to that area; the printer makes the copies (a PDF
    // file gets one page per copy). Returns an empty text when the page was handed over, else why
    // not. Runs beside the window: it reports its pages to progress and throws
    // operationCancelled when progress is cancelled, with nothing printed and no file written (a
    // PDF file takes its name only once it is complete; a print queue gets the page only after
    // the last check, in one hand-over that no cancel calls back).
    virtual QString printPicture(const QImage &picture, const rectangle &target, const progressIndicator &progress) = 0;
};

// The system's default print queue. Without any queue it prints to a PDF file, by default a new
// "korvia-print.pdf" (then "-2", "-3", ...) in the documents folder, else in the home folder.
std::unique_ptr<printDevice> systemPrinter();
