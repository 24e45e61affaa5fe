// The main view's state behind TmainForm's zoom, scrolling and preview on the picture: shared by
// mainform_view.cpp (zoom, scrolling, drawing) and mainform_preview.cpp (the preview and the
// histogram).
#pragma once
#include "histogram.h"
#include "mainform.h"
#include "viewgeometry.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QThreadPool>

#include <atomic>
#include <memory>

class QScrollBar;

// Scroll bars, the drag that pans, the reductions for drawing below 100 % and the preview job.
struct mainViewState : QObject {
    TmainForm *form;
    QScrollBar *horizontal = nullptr, *vertical = nullptr;
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
    bool previewExact = false; // the preview is the result itself, not a quick look at it
    QRect previewLook;        // below 100 %: the picture pixels a quick look at a reduced size stands for
    QPoint previewOrigin;     // the part's top-left pixel in the picture
    bool previewWhole = false;
    QImage previewFitted;     // the result fitted like mainViewBitmap (at first from the fitted view)
    pictureHistogram previewCounts;   // of the whole result
    pictureHistogram committedCounts; // of the committed picture whose cacheKey is committedKey
    qint64 committedKey = 0;

    explicit mainViewState(TmainForm *owner) : form(owner) { pool.setMaxThreadCount(1); }
    ~mainViewState() override
    {
        ++*generation;
        pool.clear();
        pool.waitForDone();
    }
    bool eventFilter(QObject *watched, QEvent *event) override;
};
