// The main window as the parts it holds see it (the transform page, the main view, brush
// painting): its controls, its state and the few window commands they run. The window is its one
// implementation and holds it privately; the parts include this header rather than the window's,
// so that the window and its parts do not include each other.
#pragma once
#include <QImage>
#include <functional>
#include <memory>

namespace Ui { class TmainForm; }
class QSlider;
class QWidget;
class imageDocument;
struct displayColours;
struct mainFormState;

// A picture with at least one pixel (what the views and the operations can work on).
inline bool hasPixels(const QImage &picture) { return picture.width() > 0 && picture.height() > 0; }

class windowHost {
public:
    // What applyOperation does: commit to the picture, or preview on the sample (and main view).
    enum class operationMode { commit, preview };
    // The picture views layoutViews, drawViews and clearViews work on.
    enum class viewChoice { main, sample, both };

protected:
    windowHost();
    ~windowHost();
    windowHost(const windowHost &) = delete;
    windowHost &operator=(const windowHost &) = delete;

    friend class transformPanel;
    friend class mainView;
    friend class brushPainting;
    friend struct windowProbe;

    std::unique_ptr<Ui::TmainForm> ui;    // the controls built from mainform.ui
    std::unique_ptr<mainFormState> state; // everything else the window holds (mainform_state.h)

    // The window itself, for what its parts look up on it or hang on it.
    virtual QWidget &widget() = 0;
    virtual bool hasImage() = 0;
    virtual imageDocument *documentAt(int index) const = 0;
    virtual int operationCode() const = 0;
    virtual void applyOperation(operationMode mode) = 0;
    virtual void layoutViews(viewChoice which) = 0;
    virtual void drawViews(viewChoice which) = 0;
    virtual displayColours currentDisplayColours() const = 0;
    virtual bool guarded(const std::function<void()> &command) = 0;
    virtual bool busy() const = 0;
    // The main view was zoomed, scrolled or laid out again: the brush cursor follows it.
    virtual void viewMoved() = 0;

    // Sets a track bar's range, start position, ticks and steps (the start is kept whatever the
    // bar's range was before).
    static void setUpTrackBar(QSlider *bar, int minimum, int maximum, int start, int tickSpacing, int pageStep);
};
