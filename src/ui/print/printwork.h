// The print window's work beside the window: preparing the pictures it shows and prints (the
// picture converted to sRGB for paper, and a copy reduced for the preview) and handing the page
// to the printer. Both run as the window's background work (the progress bar, 中止): they report
// their steps to a progressIndicator and stop when it is cancelled, leaving nothing printed and no
// file written (see printDevice::printPicture).
#pragma once
#include "colour/displaycolour.h"
#include "imagedata/progress.h"
#include "imagedata/rectangle.h"

#include <QImage>
#include <QString>
#include <memory>

class printDevice;

struct printPictures {
    QImage printed; // the whole picture in sRGB (the picture itself when it needs no conversion)
    QImage preview; // printed reduced to at most previewSide on its longer side (or printed itself)
    static constexpr int previewSide = 1000; // twice the preview, for screens scaled ×2 and enlargements
};

// Converts picture through colours (nullptr: as it is) and reduces it for the preview; throws
// operationCancelled once progress is cancelled.
printPictures preparePrintPictures(const QImage &picture, const std::shared_ptr<const displayTransform> &colours,
                                   const progressIndicator &progress);

// Prints picture into target on printer; a failure throws imageError with the printer's reason
// and printerName, a cancel operationCancelled.
void printPage(printDevice &printer, const QImage &picture, const rectangle &target, const QString &printerName,
               const progressIndicator &progress);
