#include "batchlossless.h"

#include "geometry/shapedescription.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/losslessjpeg.h"
#include "imagedata/picturesignature.h"
#include "imagedata/safewrite.h"

#include <QFile>

namespace {
bool blockMove(const std::optional<shapeStep> &shape)
{
    if (!shape) return false;
    const shapeDescription *d = describeShape(shape->shapeType);
    return d && (d->family == shapeFamily::move || d->family == shapeFamily::trim);
}
} // namespace

bool applyLosslessly(const applyRequest &request)
{
    if (request.reencode || request.steps.empty() || imageFileType(request.output) != jpegPicture) return false;
    for (const applyRequest::step &step : request.steps)
        if (!blockMove(step.shape)) return false;

    QFile file(request.input);
    if (!file.open(QIODevice::ReadOnly)) return false; // the other path says why
    const QByteArray jpeg = file.readAll();
    if (file.error() != QFileDevice::NoError || contentPictureType(jpeg, jpegPicture) != jpegPicture) return false;
    losslessEdits edits = losslessEdits::ofJpeg(jpeg);
    if (!edits.known) return false;

    prepareShape shaper;
    for (const applyRequest::step &step : request.steps) {
        const QSize size = edits.shownSize();
        shapeStepSize(size, shaper, *step.shape); // the same checks as the other path
        const shapeDescription &d = *describeShape(step.shape->shapeType);
        if (d.family == shapeFamily::trim) {
            const rectangle t = shaper.engine->trimEdges(size.width(), size.height());
            edits = edits.trimmed(t.left, t.top, t.right, t.bottom);
        } else {
            edits = edits.then(d.turn);
        }
    }
    const QByteArray result = losslessJpeg(jpeg, edits, jpegRecordsOf(jpeg));
    if (result.isEmpty()) return false;
    writeFileSafely(request.output,
                    [&](int fd) { return writeAll(fd, result.constData(), static_cast<std::size_t>(result.size())); },
                    request.existing);
    return true;
}
