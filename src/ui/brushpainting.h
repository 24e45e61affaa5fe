// Painting with the brushes: while the airbrush or water-brush page of 設定 shows, a drag with the
// left button on mainImage lays the brush's dabs on the current picture along the mouse's path.
// One stroke is one undo step (the snapshot is taken when the button goes down); only the part of
// the main view a stroke touched is redrawn, so it follows the hand on big pictures too.
#pragma once
#include "geometry/brushstroke.h"
#include "imagedata/rectangle.h"

#include <QObject>
#include <vector>

class windowHost;
class imageDocument;

// The context of its connections to mainImage and the page controls, which end with it.
class brushPainting : public QObject {
public:
    // Connects the mouse on mainImage (after the trimming rectangle's handlers, so a brush page
    // has the last word on the cursor) and the page switches.
    explicit brushPainting(windowHost &owner);
    brushPainting(const brushPainting &) = delete;
    brushPainting &operator=(const brushPainting &) = delete;

    // The brush whose page shows (設定, then its tab): brushTool::airKind or waterKind; else 0.
    int brushKindShowing() const;
    // The cursor shows the brush's circle at the picture's scale while a brush page shows.
    void refreshBrushCursor();

private:
    friend struct windowProbe;

    windowHost &form;
    strokePath brushPath;                   // the stroke under way, in picture pixels
    int brushStrokeKind = 0;                // brushTool::airKind or waterKind during a stroke, else 0
    imageDocument *brushDocument = nullptr; // the picture the stroke paints on
    int brushUndoCount = 0;                 // its undo count once the stroke's snapshot was taken
    struct cursorLook {
        int kind = 0, diameter = 0;
        bool operator==(const cursorLook &) const = default;
    } brushCursor;                          // the circle the cursor shows now

    void brushMouseDown(Qt::MouseButton button, int x, int y);
    void brushMouseMove(Qt::MouseButtons buttons, int x, int y);
    void brushMouseUp(Qt::MouseButton button, int x, int y);
    // The picture pixel under a point of mainImage.
    point brushPicturePoint(int x, int y) const;
    void paintBrushDabs(const std::vector<point> &dabs);
    // Redraws the main view over the picture pixels of area only.
    void showPictureArea(const rectangle &area);
    void endBrushStroke();
    void brushPageChanged();
};
