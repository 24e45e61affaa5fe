// The main view of the window (mainImage): its zoom (fit mode or 6.25 % to 1600 %), scrolling by the
// scroll bars, the wheel and dragging, the before/after comparison, the preview of the current
// colour or effect page on the picture itself, and the histogram of what the view shows.
//
// Fit mode draws exactly as the window always has (mainViewBitmap on mainImage's canvas). Zoomed,
// the visible part of the picture is drawn into the same canvas, the window's mainViewRect becomes
// the picture's extent in the view's pixels and the document's viewScale the zoom, so the trimming
// rectangle and the brushes work through the same mapping at every zoom and scroll position.
#pragma once
#include "histogram.h"
#include "imagedata/rectangle.h"
#include "viewgeometry.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QThreadPool>

#include <atomic>
#include <memory>

class windowHost;
class QScrollBar;
class imageDocument;

// Also the event filter of the window's keys (Space, \) and of mainImage's wheel and drags.
class mainView : public QObject {
public:
    // Sets the view up on the window's controls: its scroll bars, keys, buttons and caption.
    explicit mainView(windowHost &owner);
    ~mainView() override;
    mainView(const mainView &) = delete;
    mainView &operator=(const mainView &) = delete;

    // Zoomed over the current picture (a new picture opens in fit mode).
    bool viewZoomed() const;
    // The picture's scale in the view's pixels.
    double mainViewScale() const;
    // Zoomed: the zoom and the scroll position in view pixels.
    double zoom() const { return viewZoom; }
    int offsetX() const { return viewOffsetX; }
    int offsetY() const { return viewOffsetY; }
    // A picture that goes: one opened later in its place starts fitted.
    void forgetDocument(const imageDocument *document);

    void setViewFit();
    // Zooms keeping the picture point under the view point (ax, ay) there.
    void setViewZoom(double zoom, double ax, double ay);
    void scrollViewTo(double x, double y);
    // mainViewRect, the scroll bars and the caption for the zoom; called by layoutViews.
    void placeZoomedView();
    // Fit mode (also a picture opened or chosen, which starts fitted): no scroll bars over the
    // picture, and the caption says so.
    void placeFittedView();
    void drawZoomedView();
    // Redraws the view pixels showing a changed area of the picture (a brush stroke), zoomed.
    void redrawZoomedArea(const rectangle &area);
    // Redraws the main view after a zoom or scroll, keeping the trimming rectangle's picture edges.
    // A scroll (relayout false) keeps the fitted bitmap and the canvas.
    void refreshMainView(bool relayout = true);
    // What the main view shows: the committed picture, or the preview of the current page.
    const QImage &shownPicture() const;
    // The fitted bitmap fit mode draws: mainViewBitmap, or the preview's fitted result.
    const QImage &fittedView() const;

    // The histogram of what the main view shows: the whole picture (or preview), or at 100 % and
    // above the visible pixels.
    void refreshHistogram();
    // Starts (or restarts) the preview on the picture for the current controls; drops a
    // preview that no longer applies.
    void requestViewPreview();
    void dropViewPreview();
    // Stops the preview on the picture from computing (its shown result stays).
    void stopViewPreviewWork();
    // The histogram of a committed picture, counted already (by the commit's work).
    void rememberPictureCounts(const QImage &picture, const pictureHistogram &counts);

private:
    friend struct windowProbe;

    // Fit mode, or zoomed (over viewDocument only).
    enum class viewMode { fit, zoomed };
    // Before/after: the view shows the preview (after) or, while compared, the committed picture.
    enum class comparisonSide { after, before };
    // What the preview holds: a quick look (approximate: from a reduced copy, or made from fewer
    // pixels), the exact result for a part of the picture, or the exact result for all of it.
    enum class previewKind { quickLook, exactPart, whole };

    windowHost &form;

    viewMode mode = viewMode::fit;
    double viewZoom = 1.0;
    int viewOffsetX = 0, viewOffsetY = 0;        // scroll position in view pixels
    const imageDocument *viewDocument = nullptr; // the picture the zoom was chosen for

    // Scroll bars, the drag that pans, the reductions for drawing below 100 %.
    QScrollBar *horizontal = nullptr, *vertical = nullptr; // owned by mainImage
    halfSizes reductions, previewReductions; // of the committed picture and of the preview
    bool panning = false;
    QPoint panStart;
    int panOffsetX = 0, panOffsetY = 0;
    bool spaceHeld = false;

    // The preview: a worker computes the current page's result, zoomed at 100 % or more on the
    // visible pixels only (with what the operation reads around them), else on the whole
    // picture; a quick look first where that takes long. A newer request makes older work stop
    // at its next row and its results are dropped.
    QThreadPool pool;
    std::shared_ptr<std::atomic<int>> generation = std::make_shared<std::atomic<int>>(0);
    bool previewOn = false;   // a preview was asked for and not dropped since
    qint64 requestedKey = 0;  // the picture the latest request was made for
    QRect requestedPart;      // the pixels it computes; empty for the whole picture
    qint64 previewSource = 0; // cacheKey of the picture the preview was made from
    QImage preview;           // the full picture's result, or a part of it
    previewKind previewHolds = previewKind::quickLook;
    QRect previewLook;        // below 100 %: the picture pixels a quick look at a reduced size stands for
    QPoint previewOrigin;     // the part's top-left pixel in the picture
    QImage previewFitted;     // the result fitted like mainViewBitmap (at first from the fitted view)
    pictureHistogram previewCounts;   // of the whole result
    pictureHistogram committedCounts; // of the committed picture whose cacheKey is committedKey
    qint64 committedKey = 0;

    bool eventFilter(QObject *watched, QEvent *event) override;
    comparisonSide side() const;
    void refreshZoomCaption();
    void showViewPreview(qint64 source, const QImage &result, QPoint origin, previewKind kind, const QImage &fitted,
                         const pictureHistogram &counts, const halfSizes &reduced, const QRect &look = QRect());
    // Asks for the preview again when the view moved to pixels the latest request does not cover.
    void followViewPreview();
    // Zoomed at 100 % and above, the picture pixels in view; else empty.
    QRect visiblePicturePart() const;
    bool viewPreviewWanted();
};
