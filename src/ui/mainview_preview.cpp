// The preview of the current colour or effect page on the main view's picture, made off the UI
// thread: zoomed at 100 % and above for the visible pixels only, exactly the commit's (from the
// part of the picture filterregion.h names), else for the whole picture; a quick look first where
// that takes long. And the histogram of what the view shows.
#include "mainview.h"

#include "colour/filterregion.h"
#include "colour/sharedrandom.h"
#include "imagedata/imagedocument.h"
#include "imagedata/myimagearray.h"
#include "imagedata/workerpool.h"
#include "operationpages.h"
#include "windowhost.h"
#include "mainform_state.h"
#include "transformpanel.h"
#include "ui_mainform.h"
#include "widgets/imagecontrol.h"
#include "widgets/pagecontrol.h"

#include <QAbstractButton>
#include <QPointer>

namespace {
// The most pixels a neighbourhood effect's quick look is made from while its exact result is
// being made: a quarter of a 1600 × 1000 view.
constexpr int quickLookPixels = 400'000;
} // namespace

bool mainView::viewPreviewWanted()
{
    Ui::TmainForm *ui = form.ui.get();
    if (!ui->viewPreviewCheckBox->isChecked() || !form.hasImage() || !hasPixels(*form.state->currentBitmap)) return false;
    const int page = form.state->operationPages->activePageIndex();
    return ui->mainPageControl->currentWidget() == ui->detailTabSheet && isFilterPage(page);
}

void mainView::dropViewPreview()
{
    ++*generation;
    previewOn = false;
    requestedKey = 0;
    const bool had = !preview.isNull();
    preview = QImage();
    previewFitted = QImage();
    previewHolds = previewKind::quickLook;
    previewSource = 0;
    if (had && form.hasImage()) {
        form.drawViews(windowHost::viewChoice::main);
        if (form.state->transform->trimmingShown()) form.state->transform->trimmingUpDownClick();
    }
}

QRect mainView::visiblePicturePart() const
{
    if (!viewZoomed() || viewZoom < 1.0) return QRect();
    const QSize view = form.ui->mainImage->pixelSize();
    return visiblePictureRect(view.width(), view.height(), viewOffsetX, viewOffsetY, viewZoom,
                              form.state->currentBitmap->width(), form.state->currentBitmap->height());
}

void mainView::followViewPreview()
{
    if (!previewOn || !viewPreviewWanted()) return;
    if (requestedKey == form.state->currentBitmap->cacheKey()) {
        if (requestedPart.isEmpty()) return; // the whole picture serves every zoom and position
        const QRect visible = visiblePicturePart();
        if (!visible.isEmpty() && requestedPart.contains(visible)) return;
    }
    requestViewPreview();
}

void mainView::requestViewPreview()
{
    if (!viewPreviewWanted()) return dropViewPreview();
    const int made = ++*generation;
    const std::shared_ptr<std::atomic<int>> current = generation;
    colorFilter job = form.state->filter; // the controls as captured for the sample preview
    const QImage source = *form.state->currentBitmap; // shared; the worker's result detaches
    const qint64 key = source.cacheKey();
    // Zoomed at 100 % or more, only the visible pixels: exactly the commit's, computed from the
    // part of the picture the operation reads for them.
    QRect part = visiblePicturePart();
    if (part == source.rect()) part = QRect();
    previewOn = true;
    requestedKey = key;
    requestedPart = part;
    // A neighbourhood effect first shows a quick look, from a reduced copy of what is shown.
    const bool perPixel = filterIsPerPixel(job, source.width(), source.height());
    const QImage fittedSource = form.state->mainViewBitmap; // shared; copied by the worker
    const double reduceTo = viewZoomed() ? viewZoom : 1.0;
    // Zoomed below 100 %, the quick look is made from the visible pixels at the view's size.
    QRect look;
    if (viewZoomed() && viewZoom < 1.0) {
        const QSize view = form.ui->mainImage->pixelSize();
        look = visiblePictureRect(view.width(), view.height(), viewOffsetX, viewOffsetY, viewZoom, source.width(),
                                  source.height());
    }
    QPointer<mainView> self(this);
    pool.clear(); // work not yet started for an older position never starts
    // The effects that jitter draw from the one random sequence: the worker takes a private
    // copy of it as it stands now, so the exact view is what the commit will draw, and the
    // sequence itself is left to the window's thread.
    const std::uint32_t randomState = sharedRandom::instance().position();
    pool.start([=]() mutable {
        sharedRandom::privateStream stream(randomState);
        // Work for an older position stops at its next band or row (operationCancelled).
        progressIndicator outdated;
        outdated.cancelRequested = [current, made] { return current->load() != made; };
        const cancelScope stopsWhenOutdated(&outdated);
        job.progressBar = &outdated;
        const auto deliver = [&](QImage result, QPoint origin, previewKind kind, QImage fit, pictureHistogram counts,
                                 halfSizes reduced, QRect lookArea = QRect()) {
            outdated.checkCancelled();
            QMetaObject::invokeMethod(
                self.data(),
                [self, current, made, key, result, origin, kind, fit, counts, reduced, lookArea] {
                    if (!self || current->load() != made) return;
                    self->showViewPreview(key, result, origin, kind, fit, counts, reduced, lookArea);
                },
                Qt::QueuedConnection);
        };
        try {
            if (!part.isEmpty()) {
                if (!perPixel && qint64(part.width()) * part.height() > quickLookPixels) {
                    deliver(quickFilterLook(job, pictureArea(source, part), quickLookPixels), part.topLeft(),
                            previewKind::quickLook, QImage(), {}, {});
                    stream.generator().seed(randomState);
                }
                deliver(runFilterOnRegion(job, source, part), part.topLeft(), previewKind::exactPart, QImage(), {},
                        {});
                return;
            }
            // The whole picture: first a quick look, from the visible pixels at the view's size
            // (zoomed below 100 %) or the fitted view (at fit); for the neighbourhood effects an
            // approximation, made from fewer pixels where even that takes long.
            if (!look.isEmpty()) {
                QImage reduced(scaledLength(look.width(), reduceTo), scaledLength(look.height(), reduceTo),
                               QImage::Format_RGB32);
                stretchCopy(pictureArea(source, look), reduced);
                deliver(quickFilterLook(job, reduced, perPixel ? 0 : quickLookPixels), look.topLeft(),
                        previewKind::quickLook, QImage(), {}, {}, look);
                stream.generator().seed(randomState);
            } else if (!fittedSource.isNull()) {
                deliver(QImage(), QPoint(), previewKind::quickLook,
                        quickFilterLook(job, fittedSource, perPixel ? 0 : quickLookPixels), {}, {});
                stream.generator().seed(randomState);
            }
            QImage whole = source;
            job.runOnBitmap(whole);
            QImage fit;
            if (!fittedSource.isNull()) {
                fit = QImage(fittedSource.size(), QImage::Format_RGB32);
                fit.fill(Qt::white);
                stretchCopy(whole, fit);
            }
            pictureHistogram counts = histogramOf(whole);
            // Below 50 % the view draws from the result's half sizes: made here, not in the view.
            halfSizes reduced;
            if (reduceTo < 0.5) {
                double levelScale;
                reduced.levelFor(whole, reduceTo, levelScale);
            }
            deliver(std::move(whole), QPoint(0, 0), previewKind::whole, std::move(fit), counts, std::move(reduced));
        } catch (const operationCancelled &) {
            // A newer position took over.
        } catch (...) {
            // The sample view shows the same operation's message; the main view keeps the picture.
        }
    });
}

void mainView::rememberPictureCounts(const QImage &picture, const pictureHistogram &counts)
{
    committedCounts = counts;
    committedKey = picture.cacheKey();
}

void mainView::stopViewPreviewWork()
{
    ++*generation; // the result shown stays until the view changes
}

void mainView::showViewPreview(qint64 source, const QImage &result, QPoint origin, previewKind kind,
                               const QImage &fitted, const pictureHistogram &counts, const halfSizes &reduced,
                               const QRect &look)
{
    if (!form.hasImage() || form.state->currentBitmap->cacheKey() != source || !viewPreviewWanted()) return;
    previewSource = source;
    preview = result;
    previewOrigin = origin;
    previewHolds = kind;
    previewFitted = fitted;
    previewCounts = counts;
    previewLook = look;
    if (kind == previewKind::whole) previewReductions = reduced;
    if (side() == comparisonSide::before) return;
    form.guarded([this] {
        form.drawViews(windowHost::viewChoice::main);
        if (form.state->transform->trimmingShown()) form.state->transform->trimmingUpDownClick();
    });
}

// ---- The histogram ------------------------------------------------------------------------------

void mainView::refreshHistogram()
{
    imageControl *view = form.ui->histogramImage;
    // Counted only where it shows (the 詳細調整 page): showing the page redraws the views, and so
    // counts then. A commit on another page does not wait for the count of 24 million pixels.
    if (form.widget().isVisible() && !view->isVisible()) return;
    if (!form.hasImage() || !hasPixels(*form.state->currentBitmap)) {
        drawHistogram(pictureHistogram{}, view->canvas());
        return view->canvasChanged();
    }
    const QImage &committed = *form.state->currentBitmap;
    const bool shown = side() == comparisonSide::after && previewSource == committed.cacheKey() && !preview.isNull();
    pictureHistogram counts;
    if (viewZoomed() && viewZoom >= 1.0) {
        const QRect visible = visiblePicturePart();
        // The visible pixels exactly, from the preview where it covers them and is exact: a quick
        // look, made from fewer pixels, is not counted.
        const QRect covered(previewOrigin, preview.size());
        if (shown && previewHolds != previewKind::quickLook && covered.contains(visible))
            counts = histogramOf(preview, visible.translated(-previewOrigin));
        else
            counts = histogramOf(committed, visible);
    } else if (shown && previewHolds == previewKind::whole) {
        counts = previewCounts;
    } else {
        // The whole committed picture, counted once for each state of it (an approximate preview
        // keeps these until the exact result arrives).
        if (committedKey != committed.cacheKey()) {
            committedCounts = histogramOf(committed);
            committedKey = committed.cacheKey();
        }
        counts = committedCounts;
    }
    drawHistogram(counts, view->canvas());
    view->canvasChanged();
}
