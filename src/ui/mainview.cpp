// The main view's zoom, scrolling by the scroll bars, the wheel and dragging, the before/after
// comparison and drawing the picture (or the preview made in mainview_preview.cpp) at a zoom.
#include "mainview.h"

#include "colour/displaycolour.h"
#include "geometry/commonresizerect.h"
#include "imagedata/imagedocument.h"
#include "imagedata/myimagearray.h"
#include "windowhost.h"
#include "mainform_state.h"
#include "transformpanel.h"
#include "ui_mainform.h"
#include "widgets/imagecontrol.h"

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

mainView::mainView(windowHost &owner) : form(owner)
{
    pool.setMaxThreadCount(1);
    Ui::TmainForm *ui = form.ui.get();
    // The view's pixels are the screen's, so 100 % shows one picture pixel on one screen pixel
    // also on a display scaled ×2; view positions and offsets are counted in them.
    ui->mainImage->setDevicePixels(true);
    // The bars lie over the view's right and bottom edges, so fit mode keeps the view's size.
    horizontal = new QScrollBar(Qt::Horizontal, ui->mainImage);
    vertical = new QScrollBar(Qt::Vertical, ui->mainImage);
    horizontal->setObjectName(QStringLiteral("mainImageHorizontalBar"));
    vertical->setObjectName(QStringLiteral("mainImageVerticalBar"));
    horizontal->hide();
    vertical->hide();
    connect(horizontal, &QScrollBar::valueChanged, this, [this](int value) { scrollViewTo(value, viewOffsetY); });
    connect(vertical, &QScrollBar::valueChanged, this, [this](int value) { scrollViewTo(viewOffsetX, value); });
    ui->mainImage->installEventFilter(this);
    qApp->installEventFilter(this);
    // The keyboard stays with the view, as in the desktop's other editors: a tool-bar button (or
    // the check box beside them) clicked last never takes it, so Space held to pan or Enter never
    // presses one. The view takes it when clicked and has it from the start.
    for (QAbstractButton *button : ui->ToolBar1->findChildren<QAbstractButton *>())
        button->setFocusPolicy(Qt::NoFocus);
    ui->mainImage->setFocusPolicy(Qt::StrongFocus);
    ui->mainImage->setFocus();

    const auto centre = [ui] {
        const QSize view = ui->mainImage->pixelSize();
        return QPointF(view.width() / 2.0, view.height() / 2.0);
    };
    const auto shortcut = [this](const QKeySequence &keys, const std::function<void()> &action) {
        auto *key = new QShortcut(keys, &form.widget());
        key->setContext(Qt::WindowShortcut);
        connect(key, &QShortcut::activated, this, [this, action] { form.guarded(action); });
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { setViewFit(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_1), [this, centre] { setViewZoom(1.0, centre().x(), centre().y()); });
    const auto zoomIn = [this, centre] { setViewZoom(zoomStepIn(mainViewScale()), centre().x(), centre().y()); };
    const auto zoomOut = [this, centre] { setViewZoom(zoomStepOut(mainViewScale()), centre().x(), centre().y()); };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Plus), zoomIn);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), zoomIn);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus), zoomOut);
    connect(ui->zoomFitButton, &QAbstractButton::clicked, this, [this] { form.guarded([this] { setViewFit(); }); });
    connect(ui->zoomActualButton, &QAbstractButton::clicked, this,
            [this, centre] { form.guarded([&] { setViewZoom(1.0, centre().x(), centre().y()); }); });
    connect(ui->compareButton, &QAbstractButton::toggled, this, [this] {
        form.guarded([this] {
            if (form.hasImage()) refreshMainView();
        });
    });
    connect(ui->viewPreviewCheckBox, &QCheckBox::toggled, this, [this](bool on) {
        form.guarded([this, on] {
            if (!form.hasImage()) return;
            if (on)
                form.applyOperation(windowHost::operationMode::preview);
            else
                dropViewPreview();
        });
    });
    refreshZoomCaption();
}

mainView::~mainView()
{
    qApp->removeEventFilter(this);
    ++*generation;
    pool.clear();
    pool.waitForDone();
}

bool mainView::eventFilter(QObject *watched, QEvent *event)
{
    Ui::TmainForm *ui = form.ui.get();
    // Keys held anywhere in the window: Space (drag to pan) and \ (before/after while held).
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool press = event->type() == QEvent::KeyPress;
        if (!key->isAutoRepeat() && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->window() == &form.widget()) {
            if (key->key() == Qt::Key_Space && spaceHeld != press) {
                spaceHeld = press;
                // The open hand tells that a drag now pans.
                imageControl *view = ui->mainImage;
                if (press && viewZoomed() && view->underMouse()) {
                    view->setCursor(Qt::OpenHandCursor);
                } else if (!press && !panning && view->cursor().shape() == Qt::OpenHandCursor) {
                    view->setCursorShape(imageControl::defaultCursor);
                    form.viewMoved();
                }
            }
            // \ (¥ on Japanese keyboards) shows the committed picture while held.
            if ((key->key() == Qt::Key_Backslash || key->key() == Qt::Key_yen) && !qobject_cast<QLineEdit *>(watched) &&
                ui->compareButton->isChecked() != press)
                ui->compareButton->setChecked(press);
        }
        return false;
    }
    if (watched != ui->mainImage) return false;
    switch (event->type()) {
    case QEvent::Wheel: {
        auto *wheel = static_cast<QWheelEvent *>(event);
        if (!form.hasImage() || !hasPixels(*form.state->currentBitmap)) return false;
        const QPoint delta = wheel->angleDelta();
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int steps = delta.y() ? delta.y() : delta.x();
            if (!steps) return true;
            const double from = mainViewScale();
            const double to = steps > 0 ? zoomStepIn(from) : zoomStepOut(from);
            const QPointF at = ui->mainImage->toPixels(wheel->position());
            setViewZoom(to, at.x(), at.y());
        } else if (viewZoomed()) {
            // Shift turns the wheel across (some systems already swap the axes for it).
            int across = delta.x(), down = delta.y();
            if ((wheel->modifiers() & Qt::ShiftModifier) && !across) std::swap(across, down);
            const double ratio = ui->mainImage->pixelRatio();
            scrollViewTo(viewOffsetX - across * ratio / 2.0, viewOffsetY - down * ratio / 2.0);
        }
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const bool pan = mouse->button() == Qt::MiddleButton ||
                         (mouse->button() == Qt::LeftButton && spaceHeld);
        if (!pan || !viewZoomed()) return false;
        panning = true;
        panStart = ui->mainImage->toPixels(mouse->position()).toPoint();
        panOffsetX = viewOffsetX;
        panOffsetY = viewOffsetY;
        ui->mainImage->setCursor(Qt::ClosedHandCursor);
        return true;
    }
    case QEvent::MouseMove: {
        if (!panning) return false;
        const QPointF at = ui->mainImage->toPixels(static_cast<QMouseEvent *>(event)->position());
        const QPoint d = at.toPoint() - panStart;
        scrollViewTo(panOffsetX - d.x(), panOffsetY - d.y());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (!panning) return false;
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->buttons() & (Qt::MiddleButton | Qt::LeftButton)) return true;
        panning = false;
        ui->mainImage->setCursorShape(imageControl::defaultCursor);
        form.viewMoved();
        return true;
    }
    default:
        return false;
    }
}

bool mainView::viewZoomed() const
{
    if (mode == viewMode::fit || form.state->currentIndex < 0 || !form.state->currentBitmap || !hasPixels(*form.state->currentBitmap))
        return false;
    return viewDocument && viewDocument == form.documentAt(form.state->currentIndex);
}

double mainView::mainViewScale() const
{
    if (viewZoomed()) return viewZoom;
    const imageDocument *d = form.documentAt(form.state->currentIndex);
    return d && d->viewScale > 0 ? d->viewScale : 1.0;
}

void mainView::forgetDocument(const imageDocument *document)
{
    if (document == viewDocument) viewDocument = nullptr;
}

mainView::comparisonSide mainView::side() const
{
    return form.ui->compareButton->isChecked() ? comparisonSide::before : comparisonSide::after;
}

void mainView::refreshZoomCaption()
{
    form.ui->zoomStaticText->setText(zoomCaption(!viewZoomed(), viewZoom));
}

void mainView::setViewFit()
{
    mode = viewMode::fit;
    if (!form.hasImage()) return refreshZoomCaption();
    refreshMainView();
}

void mainView::setViewZoom(double zoom, double ax, double ay)
{
    if (!form.hasImage() || !hasPixels(*form.state->currentBitmap)) return;
    const double from = mainViewScale();
    // The fitted picture's origin is where the picture starts in the view.
    const double fromX = viewZoomed() ? viewOffsetX : -form.state->mainViewRect.left;
    const double fromY = viewZoomed() ? viewOffsetY : -form.state->mainViewRect.top;
    viewZoom = clampZoom(zoom);
    mode = viewMode::zoomed;
    viewDocument = form.documentAt(form.state->currentIndex);
    viewOffsetX = int(std::floor(offsetAfterZoom(fromX, from, viewZoom, ax) + 0.5));
    viewOffsetY = int(std::floor(offsetAfterZoom(fromY, from, viewZoom, ay) + 0.5));
    refreshMainView();
}

void mainView::scrollViewTo(double x, double y)
{
    if (!viewZoomed()) return;
    const QSize size = form.ui->mainImage->pixelSize();
    const int nx = clampOffset(x, form.state->currentBitmap->width(), viewZoom, size.width());
    const int ny = clampOffset(y, form.state->currentBitmap->height(), viewZoom, size.height());
    if (nx == viewOffsetX && ny == viewOffsetY) return;
    viewOffsetX = nx;
    viewOffsetY = ny;
    form.guarded([this] { refreshMainView(false); });
}

void mainView::placeZoomedView()
{
    imageControl *view = form.ui->mainImage;
    imageDocument *d = form.documentAt(form.state->currentIndex);
    const int w = view->pixelSize().width(), h = view->pixelSize().height();
    const int pw = form.state->currentBitmap->width(), ph = form.state->currentBitmap->height();
    viewOffsetX = clampOffset(viewOffsetX, pw, viewZoom, w);
    viewOffsetY = clampOffset(viewOffsetY, ph, viewZoom, h);
    d->viewScale = viewZoom;
    form.state->mainViewRect = rectangle{-viewOffsetX, -viewOffsetY, -viewOffsetX + scaledLength(pw, viewZoom) - 1,
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
    const int lw = view->width(), lh = view->height();
    placeBar(horizontal, limitX, w, viewOffsetX,
             QRect(0, lh - barThickness, lw - (limitY > 0 ? barThickness : 0), barThickness));
    placeBar(vertical, limitY, h, viewOffsetY,
             QRect(lw - barThickness, 0, barThickness, lh - (limitX > 0 ? barThickness : 0)));
}

void mainView::placeFittedView()
{
    horizontal->hide();
    vertical->hide();
    refreshZoomCaption();
}

void mainView::drawZoomedView()
{
    QImage &canvas = form.ui->mainImage->canvas();
    const QImage &committed = *form.state->currentBitmap;
    const bool shown = side() == comparisonSide::after && !preview.isNull() && previewSource == committed.cacheKey();
    if (shown && previewHolds == previewKind::whole) {
        drawZoomed(preview, previewReductions, canvas, viewZoom, viewOffsetX, viewOffsetY, viewBackground);
    } else {
        drawZoomed(committed, reductions, canvas, viewZoom, viewOffsetX, viewOffsetY, viewBackground);
        if (shown && !previewLook.isEmpty())
            drawLookOver(preview, previewLook, canvas, viewZoom, viewOffsetX, viewOffsetY);
        else if (shown && viewZoom >= 1.0)
            drawZoomedPart(preview, previewOrigin.x(), previewOrigin.y(), canvas, viewZoom, viewOffsetX,
                           viewOffsetY);
    }
    // In sRGB from the picture's profile, like the fitted view.
    toDisplay(form.currentDisplayColours().transform.get(), canvas);
    form.ui->mainImage->canvasChanged();
}

void mainView::redrawZoomedArea(const rectangle &area)
{
    const QImage &picture = *form.state->currentBitmap;
    // The half sizes follow the painted pixels, so the part redrawn is what a whole redraw shows.
    reductions.update(picture, area.left, area.top, area.right, area.bottom);
    int left, right, top, bottom;
    viewSpanOfPixel(area.left, area.right, viewOffsetX, viewZoom, left, right);
    viewSpanOfPixel(area.top, area.bottom, viewOffsetY, viewZoom, top, bottom);
    QImage &canvas = form.ui->mainImage->canvas();
    // Below 100 % a view pixel blends its neighbours' picture pixels too.
    const int spread = viewZoom < 1.0 ? 2 : 0;
    left = std::max(left - spread, 0);
    top = std::max(top - spread, 0);
    right = std::min(right + spread, canvas.width() - 1);
    bottom = std::min(bottom + spread, canvas.height() - 1);
    if (right < left || bottom < top) return;
    QImage block(right - left + 1, bottom - top + 1, QImage::Format_RGB32);
    block.fill(viewBackground);
    drawZoomedOver(picture, reductions, block, viewZoom, viewOffsetX + left, viewOffsetY + top);
    toDisplay(form.currentDisplayColours().transform.get(), block);
    copyPixelBlock(block, 0, 0, canvas, left, top, block.width(), block.height());
    form.ui->mainImage->update(left, top, block.width(), block.height());
}

const QImage &mainView::fittedView() const
{
    const QImage *committed = form.state->currentBitmap;
    if (committed && side() == comparisonSide::after && !previewFitted.isNull() &&
        previewSource == committed->cacheKey() && previewFitted.size() == form.state->mainViewBitmap.size())
        return previewFitted;
    return form.state->mainViewBitmap;
}

const QImage &mainView::shownPicture() const
{
    const QImage *committed = form.state->currentBitmap;
    if (committed && side() == comparisonSide::after && previewHolds == previewKind::whole &&
        previewSource == committed->cacheKey())
        return preview;
    return *committed;
}

void mainView::refreshMainView(bool relayout)
{
    if (!form.hasImage()) return;
    // The trimming rectangle keeps the picture edges its edits hold.
    const bool trimming = form.state->transform->trimmingShown();
    if (relayout || !viewZoomed()) {
        form.layoutViews(windowHost::viewChoice::main);
    } else { // a scroll: the fitted bitmap and the canvas stay
        placeZoomedView();
        form.state->transform->viewCleared();
        form.state->transform->spanPicture(form.state->mainViewRect);
    }
    form.drawViews(windowHost::viewChoice::main);
    if (trimming) form.state->transform->trimmingUpDownClick();
    refreshZoomCaption();
    form.viewMoved();
    followViewPreview(); // the preview of the pixels now in view
}
