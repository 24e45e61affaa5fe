// The preview of the current colour or effect page on the main view's picture, made off the UI
// thread: zoomed at 100 % and above for the visible pixels only, exactly the commit's (from the
// part of the picture filterregion.h names), else for the whole picture; a quick look first where
// that takes long. And the histogram of what the view shows.
#include "mainform.h"
#include "mainviewstate.h"

#include "colour/filterregion.h"
#include "colour/sharedrandom.h"
#include "widgets/imagecontrol.h"
#include "imagedata/imagedocument.h"
#include "imagedata/myimagearray.h"
#include "imagedata/workerpool.h"
#include "widgets/pagecontrol.h"
#include "transformpanel.h"
#include "ui_mainform.h"

#include <QAbstractButton>
#include <QPointer>

namespace {
// The most pixels a neighbourhood effect's quick look is made from while its exact result is
// being made: a quarter of a 1600 × 1000 view.
constexpr int quickLookPixels = 400'000;
} // namespace

bool TmainForm::viewPreviewWanted()
{
    if (!ui->viewPreviewCheckBox->isChecked() || !hasImage() || !hasPixels(*currentBitmap)) return false;
    const int page = operationPages->activePageIndex();
    return ui->mainPageControl->currentWidget() == ui->detailTabSheet && isFilterPage(page);
}

void TmainForm::dropViewPreview()
{
    if (!viewState) return;
    mainViewState &s = *viewState;
    ++*s.generation;
    s.previewOn = false;
    s.requestedKey = 0;
    const bool had = !s.preview.isNull();
    s.preview = QImage();
    s.previewFitted = QImage();
    s.previewWhole = false;
    s.previewSource = 0;
    if (had && hasImage()) {
        drawViews(mainView);
        if (transform->trimmingShown()) transform->trimmingUpDownClick();
    }
}

QRect TmainForm::visiblePicturePart() const
{
    if (!viewZoomed() || viewZoom < 1.0) return QRect();
    const QSize view = ui->mainImage->pixelSize();
    return visiblePictureRect(view.width(), view.height(), viewOffsetX, viewOffsetY, viewZoom,
                              currentBitmap->width(), currentBitmap->height());
}

void TmainForm::followViewPreview()
{
    if (!viewState || !viewState->previewOn || !viewPreviewWanted()) return;
    const mainViewState &s = *viewState;
    if (s.requestedKey == currentBitmap->cacheKey()) {
        if (s.requestedPart.isEmpty()) return; // the whole picture serves every zoom and position
        const QRect visible = visiblePicturePart();
        if (!visible.isEmpty() && s.requestedPart.contains(visible)) return;
    }
    requestViewPreview();
}

void TmainForm::requestViewPreview()
{
    if (!viewState) return;
    if (!viewPreviewWanted()) return dropViewPreview();
    mainViewState &s = *viewState;
    const int generation = ++*s.generation;
    const std::shared_ptr<std::atomic<int>> current = s.generation;
    colorFilter job = filter; // the controls as captured for the sample preview
    const QImage source = *currentBitmap; // shared; the worker's result detaches
    const qint64 key = source.cacheKey();
    // Zoomed at 100 % or more, only the visible pixels: exactly the commit's, computed from the
    // part of the picture the operation reads for them.
    QRect part = visiblePicturePart();
    if (part == source.rect()) part = QRect();
    s.previewOn = true;
    s.requestedKey = key;
    s.requestedPart = part;
    // A neighbourhood effect first shows a quick look, from a reduced copy of what is shown.
    const bool perPixel = filterIsPerPixel(job, source.width(), source.height());
    const QImage fittedSource = mainViewBitmap; // shared; copied by the worker
    const double reduceTo = viewZoomed() ? viewZoom : 1.0;
    // Zoomed below 100 %, the quick look is made from the visible pixels at the view's size.
    QRect look;
    if (viewZoomed() && viewZoom < 1.0) {
        const QSize view = ui->mainImage->pixelSize();
        look = visiblePictureRect(view.width(), view.height(), viewOffsetX, viewOffsetY, viewZoom, source.width(),
                                  source.height());
    }
    QPointer<TmainForm> window(this);
    s.pool.clear(); // work not yet started for an older position never starts
    // The effects that jitter draw from the one random sequence: the worker takes a private
    // copy of it as it stands now, so the exact view is what the commit will draw, and the
    // sequence itself is left to the window's thread.
    const std::uint32_t randomState = sharedRandom::instance().position();
    s.pool.start([=]() mutable {
        sharedRandom::privateStream stream(randomState);
        // Work for an older position stops at its next band or row (operationCancelled).
        progressIndicator outdated;
        outdated.cancelRequested = [current, generation] { return current->load() != generation; };
        const cancelScope stopsWhenOutdated(&outdated);
        job.progressBar = &outdated;
        const auto deliver = [&](QImage result, QPoint origin, bool whole, QImage fit, pictureHistogram counts,
                                 halfSizes reduced, bool exact = true, QRect lookArea = QRect()) {
            outdated.checkCancelled();
            QMetaObject::invokeMethod(
                window.data(),
                [window, current, generation, key, result, origin, whole, fit, counts, reduced, exact, lookArea] {
                    if (!window || current->load() != generation) return;
                    window->showViewPreview(key, result, origin, whole, fit, counts, reduced, exact, lookArea);
                },
                Qt::QueuedConnection);
        };
        try {
            if (!part.isEmpty()) {
                if (!perPixel && qint64(part.width()) * part.height() > quickLookPixels) {
                    deliver(quickFilterLook(job, pictureArea(source, part), quickLookPixels), part.topLeft(), false,
                            QImage(), {}, {}, false);
                    stream.generator().seed(randomState);
                }
                deliver(runFilterOnRegion(job, source, part), part.topLeft(), false, QImage(), {}, {});
                return;
            }
            // The whole picture: first a quick look, from the visible pixels at the view's size
            // (zoomed below 100 %) or the fitted view (at fit); for the neighbourhood effects an
            // approximation, made from fewer pixels where even that takes long.
            if (!look.isEmpty()) {
                QImage reduced(scaledLength(look.width(), reduceTo), scaledLength(look.height(), reduceTo),
                               QImage::Format_RGB32);
                stretchCopy(pictureArea(source, look), reduced);
                deliver(quickFilterLook(job, reduced, perPixel ? 0 : quickLookPixels), look.topLeft(), false, QImage(),
                        {}, {}, false, look);
                stream.generator().seed(randomState);
            } else if (!fittedSource.isNull()) {
                deliver(QImage(), QPoint(), false, quickFilterLook(job, fittedSource, perPixel ? 0 : quickLookPixels),
                        {}, {}, false);
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
            deliver(std::move(whole), QPoint(0, 0), true, std::move(fit), counts, std::move(reduced));
        } catch (const operationCancelled &) {
            // A newer position took over.
        } catch (...) {
            // The sample view shows the same operation's message; the main view keeps the picture.
        }
    });
}

void TmainForm::rememberPictureCounts(const QImage &picture, const pictureHistogram &counts)
{
    if (!viewState) return;
    viewState->committedCounts = counts;
    viewState->committedKey = picture.cacheKey();
}

void TmainForm::stopViewPreviewWork()
{
    if (viewState) ++*viewState->generation; // the result shown stays until the view changes
}

void TmainForm::showViewPreview(qint64 source, const QImage &result, QPoint origin, bool whole, const QImage &fitted,
                                const pictureHistogram &counts, const halfSizes &reduced, bool exact,
                                const QRect &look)
{
    if (!viewState || !hasImage() || currentBitmap->cacheKey() != source || !viewPreviewWanted()) return;
    mainViewState &s = *viewState;
    s.previewSource = source;
    s.preview = result;
    s.previewOrigin = origin;
    s.previewWhole = whole;
    s.previewFitted = fitted;
    s.previewCounts = counts;
    s.previewExact = exact;
    s.previewLook = look;
    if (whole) s.previewReductions = reduced;
    if (ui->compareButton->isChecked()) return;
    guarded([this] {
        drawViews(mainView);
        if (transform->trimmingShown()) transform->trimmingUpDownClick();
    });
}

// ---- The histogram ------------------------------------------------------------------------------

void TmainForm::refreshHistogram()
{
    imageControl *view = ui->histogramImage;
    // Counted only where it shows (the 詳細調整 page): showing the page redraws the views, and so
    // counts then. A commit on another page does not wait for the count of 24 million pixels.
    if (isVisible() && !view->isVisible()) return;
    if (!viewState || !hasImage() || !hasPixels(*currentBitmap)) {
        drawHistogram(pictureHistogram{}, view->canvas());
        return view->canvasChanged();
    }
    mainViewState &s = *viewState;
    const QImage &committed = *currentBitmap;
    const bool comparing = ui->compareButton->isChecked();
    const bool preview = !comparing && s.previewSource == committed.cacheKey() && !s.preview.isNull();
    pictureHistogram counts;
    if (viewZoomed() && viewZoom >= 1.0) {
        const QRect visible = visiblePicturePart();
        // The visible pixels exactly, from the preview where it covers them and is exact: a quick
        // look, made from fewer pixels, is not counted.
        const QRect covered(s.previewOrigin, s.preview.size());
        if (preview && s.previewExact && covered.contains(visible))
            counts = histogramOf(s.preview, visible.translated(-s.previewOrigin));
        else
            counts = histogramOf(committed, visible);
    } else if (preview && s.previewWhole) {
        counts = s.previewCounts;
    } else {
        // The whole committed picture, counted once for each state of it (an approximate preview
        // keeps these until the exact result arrives).
        if (s.committedKey != committed.cacheKey()) {
            s.committedCounts = histogramOf(committed);
            s.committedKey = committed.cacheKey();
        }
        counts = s.committedCounts;
    }
    drawHistogram(counts, view->canvas());
    view->canvasChanged();
}
