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

// A real number in the bar's unit (degrees for the angle) within its range, in the engine's unit.
int scaledValue(const std::string &op, const shapeParameter &p, std::string_view text)
{
    bool ok = false;
    const QByteArray bytes(text.data(), qsizetype(text.size()));
    const double value = bytes.trimmed() == bytes ? bytes.toDouble(&ok) : 0.0;
    if (!ok || !std::isfinite(value))
        throw operationError(op + ": " + p.key + "=" + std::string(text) + " is not a number");
    if (value < p.minimum || value > p.maximum)
        throw operationError(op + ": " + p.key + " must be between " + rangeText(p));
    return engineValue(p, value);
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
            const int v = p->scale != 1 ? scaledValue(opName, *p, value) : wholeValue(opName, *p, value);
            step.values.emplace_back(p, v);
        }
    });
    const std::optional<int> right = step.given("trimRight"), bottom = step.given("trimBottom");
    if (right && *right < step.given("trimLeft").value_or(0))
        throw operationError("trim: right must not be left of left");
    if (bottom && *bottom < step.given("trimTop").value_or(0))
        throw operationError("trim: bottom must not be above top");
    return step;
}

std::optional<int> shapeStep::given(std::string_view field) const
{
    for (const auto &[p, v] : values)
        if (field == p->field) return v;
    return std::nullopt;
}

namespace {
// The set-up's fields for the step on a W × H picture.
void setUpShapeStep(prepareShape &shaper, const shapeStep &step, int W, int H)
{
    shapeExecute &engine = *shaper.engine;
    engine.shapeType = step.shapeType;
    for (const shapeParameter &p : shapeParameters())
        if (p.member) engine.*(p.member) = engineValue(p, p.start);
    shaper.targetWidth = W;
    shaper.targetHeight = H;
    engine.trimRight = W - 1;
    engine.trimBottom = H - 1;
    for (const auto &[p, v] : step.values) {
        if (p->member) engine.*(p->member) = v;
        if (p->size) shaper.*(p->size) = v;
    }
    if (describeShape(step.shapeType)->family == shapeFamily::trim) {
        // Edges past the far border are limited to the picture, as the window's are; a first
        // column or row outside it leaves nothing to keep.
        const std::string size = std::to_string(W) + " x " + std::to_string(H);
        if (engine.trimLeft > W - 1) throw operationError("trim: left=" + std::to_string(engine.trimLeft) + " is outside the " + size + " picture");
        if (engine.trimTop > H - 1) throw operationError("trim: top=" + std::to_string(engine.trimTop) + " is outside the " + size + " picture");
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
            if (p->scale != 1) line += " degrees";
            if (p->member == &shapeExecute::trimRight) line += " (default the last column)";
            else if (p->member == &shapeExecute::trimBottom) line += " (default the last row)";
            else if (p->member) line += " (default " + std::to_string(p->start) + ")";
            text += "      " + line + "\n";
        }
    }
    return text;
}
