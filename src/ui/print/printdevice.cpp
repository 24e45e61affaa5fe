#include "printdevice.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <algorithm>
#include <cstdio>
#include <sys/stat.h>

namespace {

// A file name for a PDF print that does not exist yet.
QString freePdfName()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
    const QDir dir(folder);
    QString path = dir.filePath(QStringLiteral("korvia-print.pdf"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("korvia-print-%1.pdf").arg(n));
    return path;
}

// A free hidden name beside fileName for the PDF file while it is made; empty when none can be
// made there.
QString partFileName(const QString &fileName)
{
    const QFileInfo target(fileName);
    QTemporaryFile part(target.absolutePath() + QStringLiteral("/.korvia-print-XXXXXX.pdf"));
    part.setAutoRemove(false);
    if (!part.open()) return QString();
    // The finished file has the rights a new file gets (or those of the file it replaces), not
    // the temporary's owner-only ones.
    mode_t mode;
    struct stat old {};
    if (::stat(QFile::encodeName(fileName).constData(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(part.handle(), mode);
    return part.fileName();
}

class qtPrinter final : public printDevice {
public:
    qtPrinter() : printer(QPrinter::HighResolution)
    {
        printer.setDocName(QStringLiteral("Korvia"));
        printer.setFullPage(false); // the page's origin is the printable area's top-left corner
        const QStringList queues = QPrinterInfo::availablePrinterNames();
        if (printer.outputFormat() == QPrinter::NativeFormat && !queues.isEmpty()) {
            if (!queues.contains(printer.printerName())) printer.setPrinterName(queues.constFirst());
            return;
        }
        // No print queue: print to a PDF file instead of nowhere.
        printer.setOutputFormat(QPrinter::PdfFormat);
        chosenPdf = freePdfName();
        printer.setOutputFileName(chosenPdf);
    }

    deviceCapabilities capabilities() const override
    {
        const int dpi = printer.resolution();
        const QPageLayout layout = printer.pageLayout();
        const QRect paper = layout.fullRectPixels(dpi);
        const QRect printable = layout.paintRectPixels(dpi);
        deviceCapabilities d;
        d.printableWidth = printable.width();
        d.printableHeight = printable.height();
        d.offsetX = printable.left();
        d.offsetY = printable.top();
        d.paperWidth = paper.width();
        d.paperHeight = paper.height();
        d.dpiX = dpi;
        d.dpiY = dpi;
        return d;
    }

    int copyCount() const override { return printer.copyCount(); }
    void setCopyCount(int copies) override { printer.setCopyCount(copies); }
    bool isLandscape() const override { return printer.pageLayout().orientation() == QPageLayout::Landscape; }
    void setLandscape(bool landscape) override
    {
        printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    }

    void setDocumentName(const QString &title) override
    {
        printer.setDocName(title.isEmpty() ? QStringLiteral("Korvia") : title);
    }

    QString name() override
    {
        if (printer.outputFormat() != QPrinter::PdfFormat) return printer.printerName();
        // A file we chose ourselves is chosen anew once it exists, so no earlier print is
        // overwritten; a file the user chose in the set-up dialog stays.
        if (printer.outputFileName() == chosenPdf && QFileInfo::exists(chosenPdf)) {
            chosenPdf = freePdfName();
            printer.setOutputFileName(chosenPdf);
        }
        return QCoreApplication::translate("TprintWindow", "PDF ファイル: %1").arg(QDir::toNativeSeparators(printer.outputFileName()));
    }

    std::unique_ptr<QDialog> setupDialog(QWidget *parent) override
    {
        auto dialog = std::make_unique<QPrintDialog>(&printer, parent);
        dialog->setWindowTitle(QCoreApplication::translate("TprintWindow", "プリンタ調整"));
        dialog->setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
        // Accepting the dialog only chooses; printing is the window's own command.
        if (auto *buttons = dialog->findChild<QDialogButtonBox *>())
            if (QPushButton *ok = buttons->button(QDialogButtonBox::Ok)) ok->setText(QStringLiteral("OK"));
        return dialog;
    }

    QString printPicture(const QImage &picture, const rectangle &target, const progressIndicator &progress) override
    {
        // A print queue makes the copies itself; a PDF file gets one page per copy, else the
        // copies asked for would be lost without a word.
        const int pages = printer.supportsMultipleCopies() ? 1 : std::max(printer.copyCount(), 1);
        progress.setMaximum(pages + 1);
        progress.checkCancelled();
        // A PDF file is written under a hidden name beside it and takes its name once complete, so
        // a cancel or a failure leaves no file, nor half of one. A queue's page cannot be called
        // back once begun: it is begun only after the last check.
        const bool toFile = printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
        const QString fileName = printer.outputFileName();
        QString partName;
        if (toFile) {
            partName = partFileName(fileName);
            if (partName.isEmpty()) return QCoreApplication::translate("TprintWindow", "印刷を始められませんでした。");
            printer.setOutputFileName(partName);
        }
        const auto restore = qScopeGuard([&] {
            if (!toFile) return;
            printer.setOutputFileName(fileName);
            QFile::remove(partName); // nothing left when the page did not take the name
        });
        QPainter painter;
        if (!painter.begin(&printer)) return QCoreApplication::translate("TprintWindow", "印刷を始められませんでした。");
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        // Only the part inside the printable area is printed, on paper as in a PDF file (whose
        // page would otherwise show what a printer cannot reach).
        painter.setClipRect(QRect(QPoint(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size()));
        const QRect area(target.left, target.top, target.right - target.left, target.bottom - target.top);
        for (int page = 0; page < pages; ++page) {
            if (page > 0 && !printer.newPage()) {
                painter.end();
                return QCoreApplication::translate("TprintWindow", "印刷データを渡せませんでした。");
            }
            painter.drawImage(area, picture);
            if (toFile) progress.setPosition(page + 1); // a cancel ends the painter into the hidden file
        }
        if (!painter.end() || printer.printerState() == QPrinter::Error)
            return QCoreApplication::translate("TprintWindow", "印刷データを渡せませんでした。");
        if (toFile) {
            progress.checkCancelled();
            if (std::rename(QFile::encodeName(partName).constData(), QFile::encodeName(fileName).constData()) != 0)
                return QCoreApplication::translate("TprintWindow", "印刷データを渡せませんでした。");
        }
        if (progress.onPosition) progress.onPosition(pages + 1); // done: no cancel calls it back now
        return {};
    }

private:
    QPrinter printer;
    QString chosenPdf; // the PDF file name we chose, empty when printing to a queue
};

} // namespace

std::unique_ptr<printDevice> systemPrinter()
{
    return std::make_unique<qtPrinter>();
}
