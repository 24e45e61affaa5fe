// The 変形 (transform) page, held by the main window: the transform set-up and the bars and edits
// that feed it, wired from the transform parameter table (geometry/shapeparameters.h) in one
// loop; the resize edits and their magnification sync; the rotation choice; the trimming
// rectangle over mainImage with its up-downs, and the mouse on mainImage. A bar's position goes
// into its engine field as a number, and so does a number typed into its edit.
#pragma once
#include "imagedata/rectangle.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class windowHost;
class imageDocument;
class prepareShape;
class commonResizeRect;
class upDown;
class QLineEdit;
class QSlider;
struct shapeParameter;
struct viewAxis;

class transformPanel : public QObject {
public:
    explicit transformPanel(windowHost &form);
    ~transformPanel() override;

    // The set-up the commit copies and the page's choice is written into.
    prepareShape &setUp() const { return *shapeSetUp; }
    // The bars and edits to their start values, the sizes to 100 %, the ratio kept; then a preview.
    void reset();
    // Reads the edits without a bar (the resize sizes, the trimming edges) into the set-up and
    // refuses an edit whose text is not a number of its kind.
    void capture();
    // Refuses values the chosen transform cannot use (sizes below 1 for a resize commit, amounts
    // outside their bars' ranges, and for a commit a result larger than the largest picture
    // Korvia opens), with a message naming the limits.
    void check(std::uint32_t code, bool commit) const;
    void preview(std::uint32_t code);
    void commit(imageDocument &d);
    void drawSampleGrid(); // the transform preview's guide grid over sampleImage

    // After the main view was laid out again (its pixel ratio given) or cleared.
    void viewLaidOut(const rectangle &pictureArea, double pixelRatio);
    void viewCleared() { trimmingDrawn = false; }
    // After a picture or page change: the magnification edits follow the picture, the trimming
    // controls and rectangle the page.
    void refresh();
    // The rectangle belongs on mainImage: trimming is the active transform over a picture.
    bool trimmingShown() const;
    // Draws or erases the trimming rectangle on mainImage (inverting: both are one draw).
    void showTrimmingRect(bool shown);
    // Places the rectangle from the trimming edits (the up-downs' procedure).
    void trimmingUpDownClick();
    // The rectangle spans the picture on mainImage again.
    void spanPicture(const rectangle &pictureArea);

    // Handlers of the page's controls and of the mouse on mainImage.
    void verticalMagParcentEditKeyUp();
    void verticalMagPixelEditKeyUp();
    void horizontalMagParcentEditKeyUp();
    void horizontalMagPixelEditKeyUp();
    void rotateAngleRadioGroupClick();
    void upperTrimingUpDownClick() { trimmingUpDownClick(); }
    void leftTrimingUpDownClick() { trimmingUpDownClick(); }
    void rightTrimingUpDownClick() { trimmingUpDownClick(); }
    void lowerTrimingUpDownClick() { trimmingUpDownClick(); }
    void mainImageMouseDown(Qt::MouseButton button, int x, int y);
    void mainImageMouseMove(Qt::MouseButtons buttons, int x, int y);
    void mainImageMouseUp(Qt::MouseButton button, int x, int y);

private:
    friend struct windowProbe;

    // A row of the parameter table with its controls on the page.
    struct boundParameter {
        const shapeParameter *row;
        QSlider *bar;    // nullptr for the sizes and the trimming edges
        QLineEdit *edit;
        bool invalid = false; // the edit's text (typed) is not a number of the row's kind
    };
    // The resize edits' pairs: the vertical (height) or the horizontal (width) percent and pixels.
    enum class magnification { vertical, horizontal };

    void bindParameters();
    // The bar's position into the edit and, scaled, into the engine.
    void takeBarPosition(boundParameter &p);
    // A bar moved: its position taken, then a preview.
    void trackBarChange(boundParameter &p);
    // The edit's text changed by the user: its number into the engine (nothing while it is not one).
    void editEdited(boundParameter &p);
    // A key went up in the edit: a number of its kind moves the bar (truncated, within its range)
    // and requests a preview; anything else is reported by the entry check.
    void editKeyUp(boundParameter &p);
    void setValue(boundParameter &p, int position); // bar, edit and engine together
    std::int32_t &field(const boundParameter &p) const;
    void previewNow();

    void setUpTrimming();
    void magnificationSync(magnification kind);
    void rewriteMagnificationPair(magnification kind);
    void resizeEditKeyUp(QLineEdit *edit, magnification kind, bool pixels);
    void refreshTrimmingControls();
    void refreshPostTrimmingCaptions();
    viewAxis horizontalViewAxis() const;
    viewAxis verticalViewAxis() const;

    windowHost &form;
    std::unique_ptr<prepareShape> shapeSetUp;
    std::vector<boundParameter> parameters;
    std::unique_ptr<commonResizeRect> trimmingRect; // the trimming rectangle over mainImage
    upDown *upperTrimming = nullptr, *lowerTrimming = nullptr, *leftTrimming = nullptr,
           *rightTrimming = nullptr; // the trimming up-downs (owned by their spin boxes)
    bool trimmingDrawn = false;      // the rectangle is on mainImage's canvas now
    bool trimmingActive = false;     // the trimming transform is chosen on the page
};
