#include "printform.h"

#include "ui_printform.h"

#include "ui/widgets/appfont.h"
#include "ui/widgets/dialogservice.h"
#include "ui/widgets/imagecontrol.h"
#include "ui/widgets/radiogroup.h"
#include "ui/widgets/statictext.h"
#include "ui/widgets/updown.h"

#include <QPainter>

namespace {
const QColor silver(192, 192, 192);
const QColor grey(128, 128, 128);
} // namespace

TprintWindow::TprintWindow(QWidget *parent, std::unique_ptr<printDevice> printerDevice)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
    , printer(printerDevice ? std::move(printerDevice) : systemPrinter())
    , ui(std::make_unique<Ui::TprintWindow>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("TprintWindow"));
    setFont(formFont(QStringLiteral("Tahoma"), 13));

    printImage = ui->printImage;
    printDirectionRadioGroup = std::make_unique<radioGroup>(ui->printDirectionRadioGroup);
    // The up-down is used for its arrows only; its number is shown in printNumStaticText.
    printNumUpDown = std::make_unique<upDown>(ui->printNumUpDown, nullptr);
    printNumStaticText = std::make_unique<staticText>(ui->printNumStaticText);
    printerNameStaticText = std::make_unique<staticText>(ui->printerNameStaticText);
    imageWidthStaticText = std::make_unique<staticText>(ui->imageWidthStaticText);
    imageHeightStaticText = std::make_unique<staticText>(ui->imageHeightStaticText);
    printLimitWidthStaticText = std::make_unique<staticText>(ui->printLimitWidthStaticText);
    printLimitHeightStaticText = std::make_unique<staticText>(ui->printLimitHeightStaticText);
    adjustSpeedButton = ui->adjustSpeedButton;
    gobackSpeedButton = ui->gobackSpeedButton;
    printExecuteSpeedButton = ui->printExecuteSpeedButton;

    placement.setCursor = [this](resizeCursor c) {
        printImage->setCursorShape(imageControl::cursorShape(int(c)));
    };

    connect(printDirectionRadioGroup.get(), &radioGroup::clicked, this, &TprintWindow::printDirectionRadioGroupClick);
    connect(printNumUpDown.get(), &upDown::clicked, this, [this] {
        printNumStaticText->setCaption(QString::number(printNumUpDown->position()));
        printNumEditChange();
    });
    connect(adjustSpeedButton, &QPushButton::clicked, this, &TprintWindow::adjustSpeedButtonClick);
    connect(gobackSpeedButton, &QPushButton::clicked, this, &TprintWindow::gobackSpeedButtonClick);
    connect(printExecuteSpeedButton, &QPushButton::clicked, this, &TprintWindow::printExecuteSpeedButtonClick);
    connect(printImage, &imageControl::mouseDown, this, &TprintWindow::printImageMouseDown);
    connect(printImage, &imageControl::mouseMove, this, &TprintWindow::printImageMouseMove);
    connect(printImage, &imageControl::mouseUp, this, &TprintWindow::printImageMouseUp);
}

TprintWindow::~TprintWindow() = default;

void TprintWindow::initLayout(const QImage *currentPicture)
{
    if (!currentPicture || currentPicture->isNull()) return;
    picture = currentPicture;
    placement.dragMode = dragNone;
    readPrinter();
    layoutPage();
    fitPicture();
    aspectRatio = double(picture->height()) / picture->width();
    drawPreview();
}

void TprintWindow::readPrinter()
{
    device = printer->capabilities();
    copies = printer->copyCount();
    printNumStaticText->setCaption(QString::number(copies));
    // The arrows step on from the number shown, whoever changed it last.
    printNumUpDown->setPosition(copies);
    printerNameStaticText->setCaption(printer->name());
}

void TprintWindow::layoutPage()
{
    const pagePlacement page = ::layoutPage(device);
    previewScale = page.previewScale;
    paperRect = page.paperRect;
    printableRect = page.printableRect;
}

void TprintWindow::fitPicture()
{
    const rectangle r = ::fitPicture(printableRect, picture ? picture->width() : 0, picture ? picture->height() : 0);
    placement.rect = r;
    placement.placeHandles();
}

void TprintWindow::drawPreview()
{
    showSizes();
    QImage &canvas = printImage->canvas();
    {
        QPainter p(&canvas);
        p.fillRect(canvas.rect(), silver);
        const rectangle &pr = paperRect;
        p.fillRect(QRect(pr.left, pr.top, pr.right - pr.left, pr.bottom - pr.top), Qt::white);
        const rectangle &a = printableRect;
        if (a.right > a.left && a.bottom > a.top) {
            p.setPen(grey);
            p.drawRect(QRect(a.left, a.top, a.right - a.left - 1, a.bottom - a.top - 1));
        }
        const rectangle &r = placement.rect;
        if (picture && r.right != r.left && r.bottom != r.top) {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), previewPicture());
        }
    }
    printImage->canvasChanged();
}

void TprintWindow::showSizes()
{
    const rectangle &r = placement.rect;
    printLimitHeightStaticText->setCaption(millimetreText(millimetres(device.printableHeight, device.dpiY)));
    printLimitWidthStaticText->setCaption(millimetreText(millimetres(device.printableWidth, device.dpiX)));
    const double s = previewScale;
    imageHeightStaticText->setCaption(millimetreText(s > 0 ? millimetres((r.bottom - r.top) / s, device.dpiY) : 0.0));
    imageWidthStaticText->setCaption(millimetreText(s > 0 ? millimetres((r.right - r.left) / s, device.dpiX) : 0.0));
}

void TprintWindow::resizeKeepingAspect(int mode, int width, int height)
{
    placement.rect = ::resizeKeepingAspect(placement.rect, mode, width, height, pressWidth, pressHeight, aspectRatio);
}

void TprintWindow::printImageMouseDown(Qt::MouseButton, int x, int y)
{
    placement.pressPoint = placement.lastPoint = point{x, y};
    const rectangle &r = placement.rect;
    pressWidth = r.right - r.left;
    pressHeight = r.bottom - r.top;
    placement.hitTest(x, y, true);
}

void TprintWindow::printImageMouseMove(Qt::MouseButtons buttons, int x, int y)
{
    if (!(buttons & Qt::LeftButton)) {
        placement.hitTest(x, y, true);
        return;
    }
    if (!picture) return;
    const rectangle &r = placement.rect;
    const int dx = x - placement.pressPoint.x, dy = y - placement.pressPoint.y;
    switch (placement.dragMode) {
    case dragBody: {
        const int ddx = x - placement.lastPoint.x, ddy = y - placement.lastPoint.y;
        placement.lastPoint = point{x, y};
        placement.moveTo(r.left + ddx, r.top + ddy);
        break;
    }
    case dragTopLeft: resizeKeepingAspect(dragTopLeft, pressWidth - dx, pressHeight - dy); break;
    case dragTopRight: resizeKeepingAspect(dragTopRight, pressWidth + dx, pressHeight - dy); break;
    case dragBottomLeft: resizeKeepingAspect(dragBottomLeft, pressWidth - dx, pressHeight + dy); break;
    case dragBottomRight: resizeKeepingAspect(dragBottomRight, pressWidth + dx, pressHeight + dy); break;
    default: break;
    }
    placement.placeHandles();
    drawPreview();
}

void TprintWindow::printImageMouseUp(Qt::MouseButton, int, int)
{
    placement.dragMode = dragNone;
}

void TprintWindow::printDirectionRadioGroupClick()
{
    printer->setLandscape(printDirectionRadioGroup->itemIndex() == landscapeItem);
    readPrinter();
    layoutPage();
    fitPicture();
    drawPreview();
}

void TprintWindow::adjustSpeedButtonClick()
{
    if (std::unique_ptr<QDialog> setup = printer->setupDialog(this)) dialogs().showModal(setup.get());
    readPrinter();
    // A changed orientation runs the group's click handler, which fits the picture anew.
    printDirectionRadioGroup->setItemIndex(printer->isLandscape() ? landscapeItem : portraitItem);
    layoutPage();
    drawPreview();
}

void TprintWindow::gobackSpeedButtonClick()
{
    initLayout(picture);
}

void TprintWindow::printNumEditChange()
{
    copies = printNumStaticText->caption().toInt();
    printer->setCopyCount(copies);
}

const QImage &TprintWindow::previewPicture()
{
    return !prepared.preview.isNull() ? prepared.preview : shownPicture.of(*picture, pictureColours);
}

const QImage &TprintWindow::printedPicture()
{
    return !prepared.printed.isNull() ? prepared.printed : shownPicture.of(*picture, pictureColours);
}

std::function<void(const progressIndicator &)> TprintWindow::printWork()
{
    if (!picture) return [](const progressIndicator &) {};
    printDevice *device = printer.get(); // lives as long as the window, which outlives the work
    const QImage page = printedPicture();
    const rectangle target = deviceRect;
    const QString name = printer->name();
    return [device, page, target, name](const progressIndicator &progress) {
        printPage(*device, page, target, name, progress);
    };
}

void TprintWindow::dropPictures()
{
    prepared = printPictures{};
    shownPicture.clear();
}

void TprintWindow::printExecuteSpeedButtonClick()
{
    if (!picture) return;
    deviceRect = deviceRectangle(placement.rect, printableRect, previewScale);
    if (printBeside) {
        printRequested = true;
        hide();
        done(QDialog::Accepted);
        return;
    }
    const QString failure = printer->printPicture(printedPicture(), deviceRect, progressIndicator{});
    if (!failure.isEmpty()) {
        // Nothing was printed: say so and stay, so another printer can be chosen.
        dialogs().message(this, failure + QStringLiteral("\n") + printer->name(), TprintWindow::tr("メッセージ"));
        return;
    }
    hide();
    done(QDialog::Accepted);
}
