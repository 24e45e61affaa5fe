// Painting with the brushes: while the airbrush or water-brush page of 設定 shows, a drag with the
// left button on mainImage lays the brush's dabs on the current picture along the mouse's path.
// One stroke is one undo step (the snapshot is taken when the button goes down); only the part of
// the main view a stroke touched is redrawn, so it follows the hand on big pictures too.
#include "mainform.h"

#include "ui/panels/brushpanel.h"
#include "widgets/imagecontrol.h"
#include "imagedata/imagedocument.h"
#include "imagedata/myimagearray.h"
#include "widgets/pagecontrol.h"
#include "viewgeometry.h"
#include "transformpanel.h"
#include "ui_mainform.h"

#include <QPainter>
#include <QPixmap>
#include <QTabWidget>
#include <algorithm>

void TmainForm::setUpBrushPainting()
{
    // After the trimming rectangle's handlers, so a brush page has the last word on the cursor.
    connect(ui->mainImage, &imageControl::mouseDown, this, &TmainForm::brushMouseDown);
    connect(ui->mainImage, &imageControl::mouseMove, this, &TmainForm::brushMouseMove);
    connect(ui->mainImage, &imageControl::mouseUp, this, &TmainForm::brushMouseUp);
    // Whoever switches the pages (the user or code), a stroke ends and the cursor follows. The
    // page adapters carry the connections, so they end with them, before the tab widgets go.
    connect(ui->mainPageControl, &QTabWidget::currentChanged, mainPages.get(), [this] { brushPageChanged(); });
    connect(ui->PageControl5, &QTabWidget::currentChanged, settingsPages.get(), [this] { brushPageChanged(); });
}

int TmainForm::brushKindShowing() const
{
    if (ui->mainPageControl->currentWidget() != ui->settingTabSheet) return 0;
    const QWidget *tab = ui->PageControl5->currentWidget();
    if (tab == ui->airBrushTabSheet) return brushTool::airKind;
    if (tab == ui->waterBrushTabSheet) return brushTool::waterKind;
    return 0;
}

point TmainForm::brushPicturePoint(int x, int y) const
{
    const QImage &picture = brushDocument->bitmap;
    if (viewZoomed())
        return point{pictureAt(x, viewOffsetX, viewZoom), pictureAt(y, viewOffsetY, viewZoom)};
    return point{pictureFromView(x, mainViewRect.left, mainViewBitmap.width(), picture.width()),
                 pictureFromView(y, mainViewRect.top, mainViewBitmap.height(), picture.height())};
}

void TmainForm::brushMouseDown(Qt::MouseButton button, int x, int y)
{
    const int kind = brushKindShowing();
    if (!kind || busy()) return; // no stroke on a picture being worked on
    refreshBrushCursor();
    if (button != Qt::LeftButton) return;
    endBrushStroke();
    guarded([&] {
        if (!hasImage() || currentBitmap->width() <= 0 || currentBitmap->height() <= 0) return;
        if (mainViewBitmap.isNull()) return; // no room to show the picture: nothing to aim at
        imageDocument *d = documentAt(currentIndex);
        d->takeSnapshot(); // throws before anything is painted when it cannot be stored
        d->unchanged = false;
        brushDocument = d;
        brushUndoCount = d->undoCount;
        brushStrokeKind = kind;
        std::vector<point> dabs;
        brushPath.begin(brushPicturePoint(x, y), dabs);
        paintBrushDabs(dabs);
    });
}

void TmainForm::brushMouseMove(Qt::MouseButtons buttons, int x, int y)
{
    if (!brushStrokeKind) {
        if (brushKindShowing()) refreshBrushCursor();
        return;
    }
    // The stroke ends when its button is no longer held (a release the window never saw), its
    // page no longer shows, or its picture is no longer the current one as it was.
    if (!(buttons & Qt::LeftButton) || brushKindShowing() != brushStrokeKind || !hasImage() ||
        documentAt(currentIndex) != brushDocument || brushDocument->undoCount != brushUndoCount) {
        endBrushStroke();
        return;
    }
    guarded([&] {
        const int size = brushStrokeKind == brushTool::airKind ? brush->airBrushSize : brush->waterBrushSize;
        std::vector<point> dabs;
        brushPath.moveTo(brushPicturePoint(x, y), dabSpacing(size), dabs);
        paintBrushDabs(dabs);
    });
}

void TmainForm::brushMouseUp(Qt::MouseButton button, int, int)
{
    if (button == Qt::LeftButton) endBrushStroke();
}

void TmainForm::paintBrushDabs(const std::vector<point> &dabs)
{
    if (!brushStrokeKind || !brushDocument || dabs.empty()) return;
    QImage &picture = brushDocument->bitmap;
    rectangle area{0, 0, -1, -1};
    for (const point &p : dabs) {
        const rectangle r = paintDab(*brush, picture, drawColor, p.x, p.y, brushStrokeKind);
        if (r.right < r.left) continue;
        if (area.right < area.left) {
            area = r;
        } else {
            area.left = std::min(area.left, r.left);
            area.top = std::min(area.top, r.top);
            area.right = std::max(area.right, r.right);
            area.bottom = std::max(area.bottom, r.bottom);
        }
    }
    if (area.right >= area.left) showPictureArea(area);
}

void TmainForm::showPictureArea(const rectangle &area)
{
    if (!currentBitmap || mainViewBitmap.isNull()) return;
    if (viewZoomed()) return redrawZoomedArea(area);
    int left, right, top, bottom;
    viewSpanOf(area.left, area.right, currentBitmap->width(), mainViewBitmap.width(), left, right);
    viewSpanOf(area.top, area.bottom, currentBitmap->height(), mainViewBitmap.height(), top, bottom);
    if (right < left || bottom < top) return;
    stretchCopyArea(*currentBitmap, mainViewBitmap, left, top, right, bottom);
    const int w = right - left + 1, h = bottom - top + 1;
    // Shown in sRGB like the rest of the view: only the redrawn block is converted.
    QImage block = mainViewBitmap.copy(left, top, w, h);
    toDisplay(currentDisplayColours().transform.get(), block);
    copyPixelBlock(block, 0, 0, ui->mainImage->canvas(), mainViewRect.left + left, mainViewRect.top + top, w, h);
    ui->mainImage->update(mainViewRect.left + left, mainViewRect.top + top, w, h);
}

void TmainForm::endBrushStroke()
{
    if (!brushStrokeKind) return;
    brushStrokeKind = 0;
    // The slot's thumbnail shows the painted picture.
    if (hasImage() && documentAt(currentIndex) == brushDocument)
        guarded([this] { editingList[currentIndex]->refreshElement(); });
    brushDocument = nullptr;
}

void TmainForm::brushPageChanged()
{
    endBrushStroke();
    // The trimming rectangle gives way to a brush page and comes back after it.
    guarded([this] {
        if (hasImage()) transform->showTrimmingRect(transform->trimmingShown());
    });
    refreshBrushCursor();
}

void TmainForm::refreshBrushCursor()
{
    imageControl *view = ui->mainImage;
    const int kind = brushKindShowing();
    if (!kind || !hasImage() || currentBitmap->width() <= 0 || mainViewBitmap.isNull()) {
        if (view->cursor().shape() == Qt::BitmapCursor) view->setCursorShape(imageControl::defaultCursor);
        brushCursor = brushCursorLook{};
        return;
    }
    // The brush's circle at the scale the picture is shown at (a cursor can only be so big).
    const int size = kind == brushTool::airKind ? brush->airBrushSize : brush->waterBrushSize;
    const double scale = viewZoomed() ? viewZoom : double(mainViewBitmap.width()) / currentBitmap->width();
    const brushCursorLook look{kind, std::clamp(int(size * scale), 1, 250)};
    if (look == brushCursor && view->cursor().shape() == Qt::BitmapCursor) return;
    brushCursor = look;

    const int side = std::max(look.diameter, 9) + 4;
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF circle((side - look.diameter) / 2.0, (side - look.diameter) / 2.0, look.diameter, look.diameter);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 3));
    p.drawEllipse(circle);
    p.setPen(QPen(Qt::black, 1));
    p.drawEllipse(circle);
    // A small cross marks the centre, where the dabs land.
    const int c = side / 2;
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::white, 3));
    p.drawLine(c - 3, c, c + 3, c);
    p.drawLine(c, c - 3, c, c + 3);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(c - 3, c, c + 3, c);
    p.drawLine(c, c - 3, c, c + 3);
    p.end();
    // Drawn in the view's pixels, which are the screen's.
    const double ratio = view->pixelRatio();
    pixmap.setDevicePixelRatio(ratio);
    view->setCursor(QCursor(pixmap, int(c / ratio), int(c / ratio)));
}
