#include "commitsteps.h"

#include "geometry/prepareshape.h"
#include "geometry/shapedescription.h"
#include "imagedata/myimagearray.h"
#include "imagedata/snapshotwriter.h"

std::shared_ptr<prepareShape> copyOfShapeSetUp(const prepareShape &setUp)
{
    auto copy = std::make_shared<prepareShape>();
    copy->backgroundColor = setUp.backgroundColor;
    copy->targetWidth = setUp.targetWidth;
    copy->targetHeight = setUp.targetHeight;
    copy->verticalPercent = setUp.verticalPercent;
    copy->horizontalPercent = setUp.horizontalPercent;
    static_cast<shapeSettings &>(*copy->engine) = *setUp.engine; // the code and amounts, not the progress
    return copy;
}

QImage runCommitSteps(const QImage &picture, std::vector<commitStep> &steps, const progressIndicator &progress)
{
    QImage work = picture; // shared until a step makes its own
    bool own = false;
    for (std::size_t i = 0; i < steps.size();) {
        if (work.width() <= 0 || work.height() <= 0) break;
        if (steps[i].transform) {
            prepareShape &shape = *steps[i++].shape;
            shape.engine->progressBar = &progress;
            QImage shaped = shape.makeShapedBitmap(work);
            shape.engine->progressBar = nullptr;
            if (shaped.isNull()) continue; // no transform chosen
            work = std::move(shaped);
            own = true;
            continue;
        }
        if (!own) {
            work = snapshotWriter::process().recycledCopy(picture);
            own = true;
        }
        // Colour steps in a row share one split into planes and one write back, as one
        // recipe's stages do in korvia-batch; the bytes are those of one run after another.
        myImageArray planes(work);
        for (; i < steps.size() && !steps[i].transform; ++i) {
            colorFilter &filter = steps[i].filter;
            filter.progressBar = &progress;
            filter.runOnPlanes(planes);
            filter.redPlane = filter.greenPlane = filter.bluePlane = nullptr;
            filter.progressBar = nullptr;
        }
        planes.storeToBitmap();
    }
    return work;
}

losslessEdits editsAfterSteps(losslessEdits edits, const std::vector<commitStep> &steps)
{
    for (const commitStep &step : steps) {
        if (!edits.known) break;
        const shapeDescription *d = step.transform && step.shape ? describeShape(step.shape->engine->shapeType) : nullptr;
        if (!d || d->family == shapeFamily::resample) return {};
        if (d->family == shapeFamily::trim) {
            const QSize size = edits.shownSize();
            const rectangle t = step.shape->engine->trimEdges(size.width(), size.height());
            edits = edits.trimmed(t.left, t.top, t.right, t.bottom);
        } else {
            edits = edits.then(d->turn);
        }
    }
    return edits;
}
