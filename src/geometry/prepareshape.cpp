#include "prepareshape.h"
#include "imagedata/texts.h"

#include "commonfigureroutine.h"
#include "shapedescription.h"
#include "shaperules.h"
#include "imagedata/imageerror.h"
#include "imagedata/picturelimits.h"

#include <QLocale>
#include <algorithm>
#include <new>

prepareShape::prepareShape() : engine(std::make_unique<shapeExecute>()) {}

prepareShape::~prepareShape() = default;

std::uint32_t prepareShape::chooseShape(std::uint32_t code)
{
    engine->shapeType = code;
    return code;
}

QSize prepareShape::shapedSize(int width, int height) const
{
    return shapedSizeOf(*engine, width, height, targetWidth, targetHeight);
}

void prepareShape::checkShapedSize(int width, int height) const
{
    const QSize size = shapedSize(width, height);
    if (qint64(size.width()) * size.height() <= maxPicturePixels) return;
    throw imageError(shapeTexts::tr("変形後の画像が大きすぎます（%1 × %2 画素）。扱える画像は %3 画素までです。")
                         .arg(size.width())
                         .arg(size.height())
                         .arg(QLocale(QLocale::English).toString(maxPicturePixels)));
}

QImage prepareShape::makeShapedBitmap(const QImage &picture)
{
    if (!describeShape(engine->shapeType)) return QImage(); // no transform: nothing replaces the picture
    const QSize size = shapedSize(picture.width(), picture.height());
    if (size.width() < 1 || size.height() < 1) return QImage();
    checkShapedSize(picture.width(), picture.height());
    QImage result(size, QImage::Format_RGB32);
    if (result.isNull()) throw std::bad_alloc();
    result.fill(0xFF000000u); // a 32-bit picture's fourth byte; no transform writes it
    engine->executeShape(picture, result, backgroundColor);
    return result;
}

bool prepareShape::shapeInPlace(QImage &picture)
{
    const shapeDescription *description = describeShape(engine->shapeType);
    if (!description || description->turn == pixelTurn::none || turnSwapsSides(description->turn)) return false;
    if (picture.format() != QImage::Format_RGB32 || picture.width() < 1 || picture.height() < 1) return false;
    const progressIndicator *progress = engine->progressBar;
    if (progress) progress->setMaximum(picture.height());
    const bool done = turnPictureInPlace(picture, description->turn, true, progress);
    if (progress) progress->setPosition(0);
    return done;
}

std::optional<QImage> prepareShape::makePreviewBitmap(const QImage &sample)
{
    const int Ws = sample.width(), Hs = sample.height();
    // The preview keeps the sample's size, but for a resize (the percentages' proportion) and the
    // quarter turns; trimming shows the whole sample. The plain copy has no preview.
    const shapeDescription *description = describeShape(engine->shapeType);
    if (!description || description->code == shapeCopy) return std::nullopt;
    QSize size(Ws, Hs);
    switch (description->size) {
    case shapeSizeRule::target: {
        if (!(horizontalPercent > 0 && verticalPercent > 0)) return std::nullopt;
        double widthFactor = 1, heightFactor = 1;
        if (horizontalPercent > verticalPercent)
            heightFactor = verticalPercent / horizontalPercent;
        else
            widthFactor = horizontalPercent / verticalPercent;
        size = QSize(static_cast<int>(Ws * widthFactor), static_cast<int>(Hs * heightFactor));
        break;
    }
    case shapeSizeRule::swapped:
        size = QSize(Hs, Ws);
        break;
    default:
        engine->trimLeft = 0;
        engine->trimRight = Ws - 1;
        engine->trimTop = 0;
        engine->trimBottom = Hs - 1;
        break;
    }
    // An extreme proportion can leave no whole pixel on one side: the sample then stays.
    if (size.width() < 1 || size.height() < 1) return std::nullopt;
    QImage preview(size, QImage::Format_RGB32);
    if (preview.isNull()) return std::nullopt;
    preview.fill(0xFF000000u);
    engine->executeShape(sample, preview, backgroundColor);
    return preview;
}
