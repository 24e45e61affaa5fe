// Painting with the brushes on mainImage: the stroke under the mouse, its dabs on the picture, the
// part of the view they changed, and the brush's circle as the cursor.
#include "brushpainting.h"

#include "imagedata/imagedocument.h"
#include "imagedata/myimagearray.h"
#include "windowhost.h"
#include "mainform_state.h"
#include "mainview.h"
#include "transformpanel.h"
#include "ui/panels/brushpanel.h"
#include "ui_mainform.h"
#include "viewgeometry.h"
#include "widgets/imagecontrol.h"
#include "widgets/pagecontrol.h"

#include <QPainter>
#include <QPixmap>
#include <QTabWidget>
#include <algorithm>

brushPainting::brushPainting(windowHost &owner) : form(owner)
{
    Ui::TmainForm *ui = form.ui.get();
    connect(ui->mainImage, &imageControl::mouseDown, this, &brushPainting::brushMouseDown);
    connect(ui->mainImage, &imageControl::mouseMove, this, &brushPainting::brushMouseMove);
    connect(ui->mainImage, &imageControl::mouseUp, this, &brushPainting::brushMouseUp);
    // Whoever switches the pages (the user or code), a stroke ends and the cursor follows.
    connect(ui->mainPageControl, &QTabWidget::currentChanged, this, [this] { brushPageChanged(); });
    connect(ui->PageControl5, &QTabWidget::currentChanged, this, [this] { brushPageChanged(); });
}

int brushPainting::brushKindShowing() const
{
    Ui::TmainForm *ui = form.ui.get();
    if (ui->mainPageControl->currentWidget() != ui->settingTabSheet) return 0;
    const QWidget *tab = ui->PageControl5->currentWidget();
    if (tab == ui->airBrushTabSheet) return brushTool::airKind;
    if (tab == ui->waterBrushTabSheet) return brushTool::waterKind;
    return 0;
}

point brushPainting::brushPicturePoint(int x, int y) const
{
    const QImage &picture = brushDocument->bitmap;
    const mainView &view = *form.state->view;
    if (view.viewZoomed())
        return point{pictureAt(x, view.offsetX(), view.zoom()), pictureAt(y, view.offsetY(), view.zoom())};
    return point{pictureFromView(x, form.state->mainViewRect.left, form.state->mainViewBitmap.width(), picture.width()),
                 pictureFromView(y, form.state->mainViewRect.top, form.state->mainViewBitmap.height(), picture.height())};
}

void brushPainting::brushMouseDown(Qt::MouseButton button, int x, int y)
{
    const int kind = brushKindShowing();
    if (!kind || form.busy()) return; // no stroke on a picture being worked on
    refreshBrushCursor();
    if (button != Qt::LeftButton) return;
    endBrushStroke();
    form.guarded([&] {
        if (!form.hasImage() || form.state->currentBitmap->width() <= 0 || form.state->currentBitmap->height() <= 0) return;
        if (form.state->mainViewBitmap.isNull()) return; // no room to show the picture: nothing to aim at
        imageDocument *d = form.documentAt(form.state->currentIndex);
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

void brushPainting::brushMouseMove(Qt::MouseButtons buttons, int x, int y)
{
    if (!brushStrokeKind) {
        if (brushKindShowing()) refreshBrushCursor();
        return;
    }
    // The stroke ends when its button is no longer held (a release the window never saw), its
    // page no longer shows, or its picture is no longer the current one as it was.
    if (!(buttons & Qt::LeftButton) || brushKindShowing() != brushStrokeKind || !form.hasImage() ||
        form.documentAt(form.state->currentIndex) != brushDocument || brushDocument->undoCount != brushUndoCount) {
        endBrushStroke();
        return;
    }
    form.guarded([&] {
        const brushPanel &brush = *form.state->brush;
        const int size = brushStrokeKind == brushTool::airKind ? brush.airBrushSize : brush.waterBrushSize;
        std::vector<point> dabs;
        brushPath.moveTo(brushPicturePoint(x, y), dabSpacing(size), dabs);
        paintBrushDabs(dabs);
    });
}

void brushPainting::brushMouseUp(Qt::MouseButton button, int, int)
{
    if (button == Qt::LeftButton) endBrushStroke();
}

void brushPainting::paintBrushDabs(const std::vector<point> &dabs)
{
    if (!brushStrokeKind || !brushDocument || dabs.empty()) return;
    QImage &picture = brushDocument->bitmap;
    rectangle area{0, 0, -1, -1};
    for (const point &p : dabs) {
        const rectangle r = paintDab(*form.state->brush, picture, form.state->drawColor, p.x, p.y, brushStrokeKind);
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

void brushPainting::showPictureArea(const rectangle &area)
{
    const QImage *picture = form.state->currentBitmap;
    QImage &fitted = form.state->mainViewBitmap;
    if (!picture || fitted.isNull()) return;
    if (form.state->view->viewZoomed()) return form.state->view->redrawZoomedArea(area);
    int left, right, top, bottom;
    viewSpanOf(area.left, area.right, picture->width(), fitted.width(), left, right);
    viewSpanOf(area.top, area.bottom, picture->height(), fitted.height(), top, bottom);
    if (right < left || bottom < top) return;
    stretchCopyArea(*picture, fitted, left, top, right, bottom);
    const int w = right - left + 1, h = bottom - top + 1;
    // Shown in sRGB like the rest of the view: only the redrawn block is converted.
    QImage block = fitted.copy(left, top, w, h);
    toDisplay(form.currentDisplayColours().transform.get(), block);
    const rectangle &at = form.state->mainViewRect;
    imageControl *view = form.ui->mainImage;
    copyPixelBlock(block, 0, 0, view->canvas(), at.left + left, at.top + top, w, h);
    view->update(at.left + left, at.top + top, w, h);
}

void brushPainting::endBrushStroke()
{
    if (!brushStrokeKind) return;
    brushStrokeKind = 0;
    // The slot's thumbnail shows the painted picture.
    if (form.hasImage() && form.documentAt(form.state->currentIndex) == brushDocument)
        form.guarded([this] { form.state->editingList[form.state->currentIndex]->refreshElement(); });
    brushDocument = nullptr;
}

void brushPainting::brushPageChanged()
{
    endBrushStroke();
    // The trimming rectangle gives way to a brush page and comes back after it.
    form.guarded([this] {
        if (form.hasImage()) form.state->transform->showTrimmingRect(form.state->transform->trimmingShown());
    });
    refreshBrushCursor();
}

void brushPainting::refreshBrushCursor()
{
    imageControl *view = form.ui->mainImage;
    const int kind = brushKindShowing();
    const QImage &fitted = form.state->mainViewBitmap;
    if (!kind || !form.hasImage() || form.state->currentBitmap->width() <= 0 || fitted.isNull()) {
        if (view->cursor().shape() == Qt::BitmapCursor) view->setCursorShape(imageControl::defaultCursor);
        brushCursor = cursorLook{};
        return;
    }
    // The brush's circle at the scale the picture is shown at (a cursor can only be so big).
    const int size = kind == brushTool::airKind ? form.state->brush->airBrushSize : form.state->brush->waterBrushSize;
    const double scale =
        form.state->view->viewZoomed() ? form.state->view->zoom() : double(fitted.width()) / form.state->currentBitmap->width();
    const cursorLook look{kind, std::clamp(int(size * scale), 1, 250)};
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
