#include "batchshape.h"

#include "colour/filteroperations.h"
#include "geometry/shapedescription.h"
#include "geometry/shapeparameters.h"

#include <QByteArray>
#include <cmath>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

// The rows of shapeParameters() that are this code's keys, in table order.
std::vector<const shapeParameter *> keysOf(shapeCode code)
{
    std::vector<const shapeParameter *> keys;
    for (const shapeParameter &p : shapeParameters())
        if (p.code == code) keys.push_back(&p);
    return keys;
}

std::string rangeText(const shapeParameter &p)
{
    return std::to_string(p.minimum) + " and " + std::to_string(p.maximum);
}

int wholeValue(const std::string &op, const shapeParameter &p, std::string_view text)
{
    long long v = 0;
    const wholeNumberRead read = readWholeNumber(text, v);
    if (read == wholeNumberRead::malformed)
        throw operationError(op + ": " + p.key + "=" + std::string(text) + " is not a whole number");
    if (read == wholeNumberRead::outOfRange || v < p.minimum || v > p.maximum)
        throw operationError(op + ": " + p.key + " must be between " + rangeText(p));
    return int(v);
}

// Degrees as a real number; the engine gets its hundredths, as the window's capture of its angle edit.
int angleValue(const std::string &op, const shapeParameter &p, std::string_view text)
{
    bool ok = false;
    const QByteArray bytes(text.data(), qsizetype(text.size()));
    const double degrees = bytes.trimmed() == bytes ? bytes.toDouble(&ok) : 0.0;
    if (!ok || !std::isfinite(degrees))
        throw operationError(op + ": " + p.key + "=" + std::string(text) + " is not a number");
    if (degrees < p.minimum || degrees > p.maximum)
        throw operationError(op + ": " + p.key + " must be between " + rangeText(p));
    return degreesToHundredths(degrees);
}

// The step field a parameter row fills.
int &stepField(shapeStep &step, const shapeParameter &p)
{
    const std::string_view field = p.field;
    if (field == "rotateAngle") return step.rotateAngle;
    if (field == "trimLeft") return step.trimLeft;
    if (field == "trimTop") return step.trimTop;
    if (field == "slopeBalance") return step.slopeBalance;
    if (field == "perspective") return step.perspective;
    if (field == "distortion") return step.distortion;
    std::optional<int> *given = field == "targetWidth"    ? &step.width
                                : field == "targetHeight" ? &step.height
                                : field == "trimRight"    ? &step.trimRight
                                : field == "trimBottom"   ? &step.trimBottom
                                                          : nullptr;
    if (!given) throw std::logic_error("transform key without a step field: " + std::string(field));
    return given->emplace(0);
}

} // namespace

std::optional<shapeStep> parseShapeOperation(std::string_view text)
{
    const operationText parts = splitOperationText(text);
    const shapeDescription *description = findShapeDescription(parts.name);
    if (!description) return std::nullopt;

    const std::string opName(parts.name);
    shapeStep step;
    step.shapeType = description->code;
    if (!parts.hasKeys) return step;

    const std::vector<const shapeParameter *> keys = keysOf(description->code);
    std::vector<std::string_view> known;
    for (const shapeParameter *p : keys) known.push_back(p->key);
    forEachOperationItem(parts.name, parts.keys, known, [&](std::string_view keyName, std::string_view value) {
        for (const shapeParameter *p : keys) {
            if (keyName != p->key) continue;
            const int v = p->member == &shapeExecute::rotateAngle ? angleValue(opName, *p, value) : wholeValue(opName, *p, value);
            stepField(step, *p) = v;
        }
    });
    if (step.trimRight && *step.trimRight < step.trimLeft)
        throw operationError("trim: right must not be left of left");
    if (step.trimBottom && *step.trimBottom < step.trimTop)
        throw operationError("trim: bottom must not be above top");
    return step;
}

namespace {
// The set-up's fields for the step on a W × H picture.
void setUpShapeStep(prepareShape &shaper, const shapeStep &step, int W, int H)
{
    shapeExecute &engine = *shaper.engine;
    engine.shapeType = step.shapeType;
    shaper.targetWidth = step.width.value_or(W);
    shaper.targetHeight = step.height.value_or(H);
    engine.rotateAngle = step.rotateAngle;
    engine.slopeBalance = step.slopeBalance;
    engine.perspective = step.perspective;
    engine.distortion = step.distortion;
    engine.trimLeft = step.trimLeft;
    engine.trimTop = step.trimTop;
    engine.trimRight = step.trimRight.value_or(W - 1);
    engine.trimBottom = step.trimBottom.value_or(H - 1);
    if (describeShape(step.shapeType)->family == shapeFamily::trim) {
        // Edges past the far border are limited to the picture, as the window's are; a first
        // column or row outside it leaves nothing to keep.
        const std::string size = std::to_string(W) + " x " + std::to_string(H);
        if (step.trimLeft > W - 1) throw operationError("trim: left=" + std::to_string(step.trimLeft) + " is outside the " + size + " picture");
        if (step.trimTop > H - 1) throw operationError("trim: top=" + std::to_string(step.trimTop) + " is outside the " + size + " picture");
        if (engine.trimRight < engine.trimLeft) throw operationError("trim: right must not be left of left");
        if (engine.trimBottom < engine.trimTop) throw operationError("trim: bottom must not be above top");
    }
}
} // namespace

QSize shapeStepSize(QSize size, prepareShape &shaper, const shapeStep &step)
{
    setUpShapeStep(shaper, step, size.width(), size.height());
    shaper.checkShapedSize(size.width(), size.height());
    return shaper.shapedSize(size.width(), size.height());
}

void applyShapeStep(QImage &bitmap, prepareShape &shaper, const shapeStep &step)
{
    setUpShapeStep(shaper, step, bitmap.width(), bitmap.height());
    if (shaper.shapeInPlace(bitmap)) return; // the mirrors and the half turn: no second picture
    QImage result = shaper.makeShapedBitmap(bitmap);
    if (result.isNull()) throw std::bad_alloc();
    bitmap.swap(result);
}

std::string shapeOperationUsage()
{
    std::string text;
    for (shapeCode code : shapeCommandOrder()) {
        const shapeDescription &op = *describeShape(code);
        text += "  " + std::string(op.name) + "  " + op.summary + "\n";
        for (const shapeParameter *p : keysOf(code)) {
            std::string line = std::string(p->key) + "=" + std::to_string(p->minimum) + ".." + std::to_string(p->maximum);
            if (p->member == &shapeExecute::rotateAngle) line += " degrees";
            if (p->member == &shapeExecute::trimRight) line += " (default the last column)";
            else if (p->member == &shapeExecute::trimBottom) line += " (default the last row)";
            else if (p->member) line += " (default " + std::to_string(p->start) + ")";
            text += "      " + line + "\n";
        }
    }
    return text;
}
