#include "commitsteps.h"

#include "geometry/prepareshape.h"
#include "imagedata/snapshotwriter.h"

std::shared_ptr<prepareShape> copyOfShapeSetUp(const prepareShape &setUp)
{
    auto copy = std::make_shared<prepareShape>();
    copy->backgroundColor = setUp.backgroundColor;
    copy->targetWidth = setUp.targetWidth;
    copy->targetHeight = setUp.targetHeight;
    copy->verticalPercent = setUp.verticalPercent;
    copy->horizontalPercent = setUp.horizontalPercent;
    *copy->engine = *setUp.engine;
    copy->engine->progressBar = nullptr;
    return copy;
}

QImage runCommitSteps(const QImage &picture, std::vector<commitStep> &steps, const progressIndicator &progress)
{
    QImage work = picture; // shared until a step makes its own
    bool own = false;
    for (commitStep &step : steps) {
        if (work.width() <= 0 || work.height() <= 0) break;
        if (step.transform) {
            step.shape->engine->progressBar = &progress;
            QImage shaped = step.shape->makeShapedBitmap(work);
            step.shape->engine->progressBar = nullptr;
            if (shaped.isNull()) continue; // no transform chosen
            work = std::move(shaped);
            own = true;
        } else {
            if (!own) {
                work = snapshotWriter::process().recycledCopy(picture);
                own = true;
            }
            step.filter.progressBar = &progress;
            step.filter.runOnBitmap(work);
            step.filter.progressBar = nullptr;
        }
    }
    return work;
}
