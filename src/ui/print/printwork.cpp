#include "printwork.h"

#include "imagedata/imageerror.h"
#include "printdevice.h"

#include <algorithm>

printPictures preparePrintPictures(const QImage &picture, const std::shared_ptr<const displayTransform> &colours,
                                   const progressIndicator &progress)
{
    // Two steps: the conversion, then the reduced copy.
    progress.setMaximum(2);
    printPictures made;
    made.printed = colours ? colours->applied(picture) : picture;
    progress.setPosition(1);
    const int side = std::max(picture.width(), picture.height());
    made.preview = side > printPictures::previewSide
                       ? made.printed.scaled(printPictures::previewSide, printPictures::previewSide, Qt::KeepAspectRatio,
                                             Qt::SmoothTransformation)
                       : made.printed;
    progress.setPosition(2);
    progress.setPosition(0);
    return made;
}

void printPage(printDevice &printer, const QImage &picture, const rectangle &target, const QString &printerName,
               const progressIndicator &progress)
{
    const QString failure = printer.printPicture(picture, target, progress);
    if (!failure.isEmpty())
        // Nothing was printed: say so, naming the printer, so that another can be chosen.
        throw imageError(failure + QStringLiteral("\n") + printerName);
}
