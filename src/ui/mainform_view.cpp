// The main view beyond fitting the picture: zoom (fit mode or 6.25 % to 1600 %), scrolling by the
// scroll bars, the wheel and dragging, the before/after comparison, and drawing the preview of the
// current colour or effect page on the picture itself (made in mainform_preview.cpp).
//
// Fit mode draws exactly as the window always has (mainViewBitmap on mainImage's canvas). Zoomed,
// the visible part of the picture is drawn into the same canvas, mainViewRect becomes the
// picture's extent in the view's pixels and the document's viewScale the zoom, so the trimming
// rectangle and the brushes work through the same mapping at every zoom and scroll position.
#include "mainform.h"
#include "mainviewstate.h"

#include "colour/displaycolour.h"
#include "geometry/commonresizerect.h"
#include "histogram.h"
#include "widgets/imagecontrol.h"
#include "imagedata/imagedocument.h"
#include "imagedata/myimagearray.h"
#include "widgets/pagecontrol.h"
#include "transformpanel.h"
#include "ui_mainform.h"
#include "viewgeometry.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <cmath>

namespace {
constexpr QRgb viewBackground = 0xFFFFFFFFu; // as around the fitted picture
constexpr int barThickness = 14;
} // namespace

bool mainViewState::eventFilter(QObject *watched, QEvent *event)
{
    // Keys held anywhere in the window: Space (drag to pan) and \ (before/after while held).
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool press = event->type() == QEvent::KeyPress;
        if (!key->isAutoRepeat() && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->window() == form) {
            if (key->key() == Qt::Key_Space && spaceHeld != press) {
                spaceHeld = press;
                // The open hand tells that a drag now pans.
                imageControl *view = form->ui->mainImage;
                if (press && form->viewZoomed() && view->underMouse()) {
                    view->setCursor(Qt::OpenHandCursor);
                } else if (!press && !panning && view->cursor().shape() == Qt::OpenHandCursor) {
                    view->setCursorShape(imageControl::defaultCursor);
                    form->refreshBrushCursor();
                }
            }
            // \ (¥ on Japanese keyboards) shows the committed picture while held.
            if ((key->key() == Qt::Key_Backslash || key->key() == Qt::Key_yen) && !qobject_cast<QLineEdit *>(watched) &&
                form->ui->compareButton->isChecked() != press)
                form->ui->compareButton->setChecked(press);
        }
        return false;
    }
    if (watched != form->ui->mainImage) return false;
    switch (event->type()) {
    case QEvent::Wheel: {
        auto *wheel = static_cast<QWheelEvent *>(event);
        if (!form->hasImage() || !hasPixels(*form->currentBitmap)) return false;
        const QPoint delta = wheel->angleDelta();
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int steps = delta.y() ? delta.y() : delta.x();
            if (!steps) return true;
            const double from = form->mainViewScale();
            const double to = steps > 0 ? zoomStepIn(from) : zoomStepOut(from);
            const QPointF at = form->ui->mainImage->toPixels(wheel->position());
            form->setViewZoom(to, at.x(), at.y());
        } else if (form->viewZoomed()) {
            // Shift turns the wheel across (some systems already swap the axes for it).
            int across = delta.x(), down = delta.y();
            if ((wheel->modifiers() & Qt::ShiftModifier) && !across) std::swap(across, down);
            const double ratio = form->ui->mainImage->pixelRatio();
            form->scrollViewTo(form->viewOffsetX - across * ratio / 2.0, form->viewOffsetY - down * ratio / 2.0);
        }
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const bool pan = mouse->button() == Qt::MiddleButton ||
                         (mouse->button() == Qt::LeftButton && spaceHeld);
        if (!pan || !form->viewZoomed()) return false;
        panning = true;
        panStart = form->ui->mainImage->toPixels(mouse->position()).toPoint();
        panOffsetX = form->viewOffsetX;
        panOffsetY = form->viewOffsetY;
        form->ui->mainImage->setCursor(Qt::ClosedHandCursor);
        return true;
    }
    case QEvent::MouseMove: {
        if (!panning) return false;
        const QPointF at = form->ui->mainImage->toPixels(static_cast<QMouseEvent *>(event)->position());
        const QPoint d = at.toPoint() - panStart;
        form->scrollViewTo(panOffsetX - d.x(), panOffsetY - d.y());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (!panning) return false;
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->buttons() & (Qt::MiddleButton | Qt::LeftButton)) return true;
        panning = false;
        form->ui->mainImage->setCursorShape(imageControl::defaultCursor);
        form->refreshBrushCursor();
        return true;
    }
    default:
        return false;
    }
}

void TmainForm::viewStateDeleter::operator()(mainViewState *state) const
{
    qApp->removeEventFilter(state);
    delete state;
}

void TmainForm::setUpMainView()
{
    viewState.reset(new mainViewState(this));
    mainViewState &s = *viewState;
    // The view's pixels are the screen's, so 100 % shows one picture pixel on one screen pixel
    // also on a display scaled ×2; view positions and offsets are counted in them.
    ui->mainImage->setDevicePixels(true);
    // The bars lie over the view's right and bottom edges, so fit mode keeps the view's size.
    s.horizontal = new QScrollBar(Qt::Horizontal, ui->mainImage);
    s.vertical = new QScrollBar(Qt::Vertical, ui->mainImage);
    s.horizontal->setObjectName(QStringLiteral("mainImageHorizontalBar"));
    s.vertical->setObjectName(QStringLiteral("mainImageVerticalBar"));
    s.horizontal->hide();
    s.vertical->hide();
    connect(s.horizontal, &QScrollBar::valueChanged, this,
            [this](int value) { scrollViewTo(value, viewOffsetY); });
    connect(s.vertical, &QScrollBar::valueChanged, this,
            [this](int value) { scrollViewTo(viewOffsetX, value); });
    ui->mainImage->installEventFilter(&s);
    qApp->installEventFilter(&s);
    // The keyboard stays with the view, as in the desktop's other editors: a tool-bar button (or
    // the check box beside them) clicked last never takes it, so Space held to pan or Enter never
    // presses one. The view takes it when clicked and has it from the start.
    for (QAbstractButton *button : ui->ToolBar1->findChildren<QAbstractButton *>())
        button->setFocusPolicy(Qt::NoFocus);
    ui->mainImage->setFocusPolicy(Qt::StrongFocus);
    ui->mainImage->setFocus();

    const auto centre = [this] {
        const QSize view = ui->mainImage->pixelSize();
        return QPointF(view.width() / 2.0, view.height() / 2.0);
    };
    const auto shortcut = [this](const QKeySequence &keys, const std::function<void()> &action) {
        auto *key = new QShortcut(keys, this);
        key->setContext(Qt::WindowShortcut);
        connect(key, &QShortcut::activated, this, [this, action] { guarded(action); });
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { setViewFit(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_1), [this, centre] { setViewZoom(1.0, centre().x(), centre().y()); });
    const auto zoomIn = [this, centre] { setViewZoom(zoomStepIn(mainViewScale()), centre().x(), centre().y()); };
    const auto zoomOut = [this, centre] { setViewZoom(zoomStepOut(mainViewScale()), centre().x(), centre().y()); };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Plus), zoomIn);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), zoomIn);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus), zoomOut);
    connect(ui->zoomFitButton, &QAbstractButton::clicked, this, [this] { guarded([this] { setViewFit(); }); });
    connect(ui->zoomActualButton, &QAbstractButton::clicked, this,
            [this, centre] { guarded([&] { setViewZoom(1.0, centre().x(), centre().y()); }); });
    connect(ui->compareButton, &QAbstractButton::toggled, this, [this] {
        guarded([this] {
            if (hasImage()) refreshMainView();
        });
    });
    connect(ui->viewPreviewCheckBox, &QCheckBox::toggled, this, [this](bool on) {
        guarded([this, on] {
            if (!hasImage()) return;
            if (on)
                applyOperation(previewMode);
            else
                dropViewPreview();
        });
    });
    refreshZoomCaption();
}

bool TmainForm::viewZoomed() const
{
    if (viewFit || currentIndex < 0 || !currentBitmap || !hasPixels(*currentBitmap)) return false;
    return viewDocument && viewDocument == documentAt(currentIndex);
}

double TmainForm::mainViewScale() const
{
    if (viewZoomed()) return viewZoom;
    const imageDocument *d = documentAt(currentIndex);
    return d && d->viewScale > 0 ? d->viewScale : 1.0;
}

void TmainForm::refreshZoomCaption()
{
    ui->zoomStaticText->setText(zoomCaption(!viewZoomed(), viewZoom));
}

void TmainForm::setViewFit()
{
    viewFit = true;
    if (!hasImage()) return refreshZoomCaption();
    refreshMainView();
}

void TmainForm::setViewZoom(double zoom, double ax, double ay)
{
    if (!hasImage() || !hasPixels(*currentBitmap)) return;
    const double from = mainViewScale();
    // The fitted picture's origin is where the picture starts in the view.
    const double fromX = viewZoomed() ? viewOffsetX : -mainViewRect.left;
    const double fromY = viewZoomed() ? viewOffsetY : -mainViewRect.top;
    viewZoom = clampZoom(zoom);
    viewFit = false;
    viewDocument = documentAt(currentIndex);
    viewOffsetX = int(std::floor(offsetAfterZoom(fromX, from, viewZoom, ax) + 0.5));
    viewOffsetY = int(std::floor(offsetAfterZoom(fromY, from, viewZoom, ay) + 0.5));
    refreshMainView();
}

void TmainForm::scrollViewTo(double x, double y)
{
    if (!viewZoomed()) return;
    const int w = ui->mainImage->pixelSize().width(), h = ui->mainImage->pixelSize().height();
    const int nx = clampOffset(x, currentBitmap->width(), viewZoom, w);
    const int ny = clampOffset(y, currentBitmap->height(), viewZoom, h);
    if (nx == viewOffsetX && ny == viewOffsetY) return;
    viewOffsetX = nx;
    viewOffsetY = ny;
    guarded([this] { refreshMainView(false); });
}

void TmainForm::placeZoomedView()
{
    mainViewState &s = *viewState;
    imageDocument *d = documentAt(currentIndex);
    const int w = ui->mainImage->pixelSize().width(), h = ui->mainImage->pixelSize().height();
    const int pw = currentBitmap->width(), ph = currentBitmap->height();
    viewOffsetX = clampOffset(viewOffsetX, pw, viewZoom, w);
    viewOffsetY = clampOffset(viewOffsetY, ph, viewZoom, h);
    d->viewScale = viewZoom;
    mainViewRect = rectangle{-viewOffsetX, -viewOffsetY, -viewOffsetX + scaledLength(pw, viewZoom) - 1,
                             -viewOffsetY + scaledLength(ph, viewZoom) - 1};
    const int limitX = scrollLimit(pw, viewZoom, w), limitY = scrollLimit(ph, viewZoom, h);
    const auto placeBar = [](QScrollBar *bar, int limit, int page, int value, const QRect &where) {
        const QSignalBlocker quiet(bar);
        bar->setRange(0, limit);
        bar->setPageStep(page);
        bar->setSingleStep(std::max(1, page / 20));
        bar->setValue(value);
        bar->setGeometry(where);
        bar->setVisible(limit > 0);
    };
    // The bars are widgets, placed in the view's own units.
    const int lw = ui->mainImage->width(), lh = ui->mainImage->height();
    placeBar(s.horizontal, limitX, w, viewOffsetX,
             QRect(0, lh - barThickness, lw - (limitY > 0 ? barThickness : 0), barThickness));
    placeBar(s.vertical, limitY, h, viewOffsetY,
             QRect(lw - barThickness, 0, barThickness, lh - (limitX > 0 ? barThickness : 0)));
}

void TmainForm::placeFittedView()
{
    if (!viewState) return;
    viewState->horizontal->hide();
    viewState->vertical->hide();
    refreshZoomCaption();
}

void TmainForm::drawZoomedView()
{
    mainViewState &s = *viewState;
    QImage &canvas = ui->mainImage->canvas();
    const QImage &committed = *currentBitmap;
    const bool comparing = ui->compareButton->isChecked();
    const bool preview = !comparing && !s.preview.isNull() && s.previewSource == committed.cacheKey();
    if (preview && s.previewWhole) {
        drawZoomed(s.preview, s.previewReductions, canvas, viewZoom, viewOffsetX, viewOffsetY, viewBackground);
    } else {
        drawZoomed(committed, s.reductions, canvas, viewZoom, viewOffsetX, viewOffsetY, viewBackground);
        if (preview && !s.previewLook.isEmpty())
            drawLookOver(s.preview, s.previewLook, canvas, viewZoom, viewOffsetX, viewOffsetY);
        else if (preview && viewZoom >= 1.0)
            drawZoomedPart(s.preview, s.previewOrigin.x(), s.previewOrigin.y(), canvas, viewZoom, viewOffsetX,
                           viewOffsetY);
    }
    // In sRGB from the picture's profile, like the fitted view.
    toDisplay(currentDisplayColours().transform.get(), canvas);
    ui->mainImage->canvasChanged();
}

void TmainForm::redrawZoomedArea(const rectangle &area)
{
    mainViewState &s = *viewState;
    // The half sizes follow the painted pixels, so the part redrawn is what a whole redraw shows.
    s.reductions.update(*currentBitmap, area.left, area.top, area.right, area.bottom);
    int left, right, top, bottom;
    viewSpanOfPixel(area.left, area.right, viewOffsetX, viewZoom, left, right);
    viewSpanOfPixel(area.top, area.bottom, viewOffsetY, viewZoom, top, bottom);
    QImage &canvas = ui->mainImage->canvas();
    // Below 100 % a view pixel blends its neighbours' picture pixels too.
    const int spread = viewZoom < 1.0 ? 2 : 0;
    left = std::max(left - spread, 0);
    top = std::max(top - spread, 0);
    right = std::min(right + spread, canvas.width() - 1);
    bottom = std::min(bottom + spread, canvas.height() - 1);
    if (right < left || bottom < top) return;
    QImage block(right - left + 1, bottom - top + 1, QImage::Format_RGB32);
    block.fill(viewBackground);
    drawZoomedOver(*currentBitmap, s.reductions, block, viewZoom, viewOffsetX + left, viewOffsetY + top);
    toDisplay(currentDisplayColours().transform.get(), block);
    copyPixelBlock(block, 0, 0, canvas, left, top, block.width(), block.height());
    ui->mainImage->update(left, top, block.width(), block.height());
}

const QImage &TmainForm::fittedView() const
{
    const mainViewState *s = viewState.get();
    if (s && currentBitmap && !ui->compareButton->isChecked() && !s->previewFitted.isNull() &&
        s->previewSource == currentBitmap->cacheKey() && s->previewFitted.size() == mainViewBitmap.size())
        return s->previewFitted;
    return mainViewBitmap;
}

const QImage &TmainForm::shownPicture() const
{
    const mainViewState *s = viewState.get();
    if (s && currentBitmap && !ui->compareButton->isChecked() && s->previewWhole &&
        s->previewSource == currentBitmap->cacheKey())
        return s->preview;
    return *currentBitmap;
}

void TmainForm::refreshMainView(bool relayout)
{
    if (!hasImage()) return;
    // The trimming rectangle keeps the picture edges its edits hold.
    const bool trimming = transform->trimmingShown();
    if (relayout || !viewZoomed()) {
        layoutViews(mainView);
    } else { // a scroll: the fitted bitmap and the canvas stay
        placeZoomedView();
        transform->viewCleared();
        transform->spanPicture(mainViewRect);
    }
    drawViews(mainView);
    if (trimming) transform->trimmingUpDownClick();
    refreshZoomCaption();
    refreshBrushCursor();
    followViewPreview(); // the preview of the pixels now in view
}
