#include "batchshape.h"

#include "colour/filteroperations.h"
#include "geometry/shapeparameters.h"

#include <QByteArray>
#include <charconv>
#include <cmath>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

struct shapeKey {
    const char *key;   // the text before "="
    const char *field; // its shapeParameters() field
};

struct shapeOperation {
    const char *name;
    std::uint32_t shapeType;
    std::vector<shapeKey> keys;
    const char *summary;
};

const std::vector<shapeOperation> &shapeOperations()
{
    static const std::vector<shapeOperation> operations = {
        {"resize", shapeResize, {{"width", "targetWidth"}, {"height", "targetHeight"}},
         "resample to W x H pixels (a side not given keeps its size)"},
        {"rotate", shapeRotateAngle, {{"angle", "rotateAngle"}},
         "rotate by A degrees counter-clockwise (a real number, kept to 0.01), onto a grey background"},
        {"turn-right", shapeRotateRight90, {}, "turn 90 degrees clockwise"},
        {"turn-left", shapeRotateLeft90, {}, "turn 90 degrees counter-clockwise"},
        {"turn-180", shapeRotate180, {}, "turn 180 degrees"},
        {"mirror-lr", shapeMirrorLeftRight, {}, "mirror left to right"},
        {"mirror-ud", shapeMirrorUpDown, {}, "mirror top to bottom"},
        {"trim", shapeTrim,
         {{"left", "trimLeft"}, {"top", "trimTop"}, {"right", "trimRight"}, {"bottom", "trimBottom"}},
         "keep columns left..right and rows top..bottom (right and bottom default to the last ones)"},
        {"slope", shapeSlope, {{"slopeBalance", "slopeBalance"}}, "slant the rows sideways"},
        {"trapezoid", shapePerspective, {{"perspective", "perspective"}}, "narrow the top or the bottom rows"},
        {"distort", shapeDistort, {{"distortion", "distortion"}}, "pull the middle in (positive) or push it out"},
    };
    return operations;
}

const shapeParameter &parameterOf(const shapeKey &key)
{
    const shapeParameter *p = findShapeParameter(key.field);
    if (!p) throw std::logic_error(std::string("transform key without parameter: ") + key.field);
    return *p;
}

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

std::string rangeText(const shapeParameter &p)
{
    return std::to_string(p.minimum) + " and " + std::to_string(p.maximum);
}

int wholeValue(const std::string &op, const shapeKey &key, std::string_view text)
{
    const shapeParameter &p = parameterOf(key);
    long long v = 0;
    const char *first = text.data(), *last = text.data() + text.size();
    if (!text.empty() && text[0] == '+') ++first;
    auto [end, ec] = std::from_chars(first, last, v);
    if (text.empty() || first == last || ec == std::errc::invalid_argument || end != last ||
        (first != text.data() && *first == '-'))
        throw operationError(op + ": " + key.key + "=" + std::string(text) + " is not a whole number");
    if (ec == std::errc::result_out_of_range || v < p.minimum || v > p.maximum)
        throw operationError(op + ": " + key.key + " must be between " + rangeText(p));
    return int(v);
}

// Degrees as a real number; the engine gets trunc(degrees × 100) hundredths, as the window's
// capture of its angle edit.
int angleValue(const std::string &op, const shapeKey &key, std::string_view text)
{
    const shapeParameter &p = parameterOf(key);
    bool ok = false;
    const QByteArray bytes(text.data(), qsizetype(text.size()));
    const double degrees = bytes.trimmed() == bytes ? bytes.toDouble(&ok) : 0.0;
    if (!ok || !std::isfinite(degrees))
        throw operationError(op + ": " + key.key + "=" + std::string(text) + " is not a number");
    if (degrees < p.minimum || degrees > p.maximum)
        throw operationError(op + ": " + key.key + " must be between " + rangeText(p));
    return static_cast<int>(degrees * 100);
}

} // namespace

std::optional<shapeStep> parseShapeOperation(std::string_view text)
{
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    const shapeOperation *op = nullptr;
    for (const shapeOperation &o : shapeOperations())
        if (name == o.name) op = &o;
    if (!op) return std::nullopt;

    const std::string opName(name);
    shapeStep step;
    step.shapeType = op->shapeType;
    if (colon == std::string_view::npos) return step;

    std::vector<std::string_view> seen;
    std::string_view rest = text.substr(colon + 1);
    for (;;) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        const std::size_t eq = item.find('=');
        if (eq == std::string_view::npos) throw operationError(opName + ": expected key=value, got " + quoted(item));
        const std::string_view keyName = item.substr(0, eq), value = item.substr(eq + 1);
        const shapeKey *key = nullptr;
        std::string known;
        for (const shapeKey &k : op->keys) {
            if (keyName == k.key) key = &k;
            known += (known.empty() ? "" : ", ") + std::string(k.key);
        }
        if (!key)
            throw operationError(opName + ": unknown key " + quoted(keyName) +
                                 (known.empty() ? std::string(" (it takes no keys)") : " (keys: " + known + ")"));
        for (std::string_view s : seen)
            if (s == keyName) throw operationError(opName + ": " + std::string(keyName) + " given twice");
        seen.push_back(keyName);

        const std::string_view field = key->field;
        if (field == "rotateAngle") step.rotateAngle = angleValue(opName, *key, value);
        else if (field == "targetWidth") step.width = wholeValue(opName, *key, value);
        else if (field == "targetHeight") step.height = wholeValue(opName, *key, value);
        else if (field == "trimLeft") step.trimLeft = wholeValue(opName, *key, value);
        else if (field == "trimTop") step.trimTop = wholeValue(opName, *key, value);
        else if (field == "trimRight") step.trimRight = wholeValue(opName, *key, value);
        else if (field == "trimBottom") step.trimBottom = wholeValue(opName, *key, value);
        else if (field == "slopeBalance") step.slopeBalance = wholeValue(opName, *key, value);
        else if (field == "perspective") step.perspective = wholeValue(opName, *key, value);
        else if (field == "distortion") step.distortion = wholeValue(opName, *key, value);

        if (comma == std::string_view::npos) break;
        rest = rest.substr(comma + 1);
    }
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
    if (step.shapeType == shapeTrim) {
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
    QImage result = shaper.makeShapedBitmap(bitmap);
    if (result.isNull()) throw std::bad_alloc();
    bitmap.swap(result);
}

std::string shapeOperationUsage()
{
    std::string text;
    for (const shapeOperation &op : shapeOperations()) {
        text += "  " + std::string(op.name) + "  " + op.summary + "\n";
        for (const shapeKey &key : op.keys) {
            const shapeParameter &p = parameterOf(key);
            std::string line = std::string(key.key) + "=" + std::to_string(p.minimum) + ".." + std::to_string(p.maximum);
            if (std::string_view(key.field) == "rotateAngle") line += " degrees";
            const std::string_view field = key.field;
            if (field == "trimRight") line += " (default the last column)";
            else if (field == "trimBottom") line += " (default the last row)";
            else if (p.member) line += " (default " + std::to_string(p.start) + ")";
            text += "      " + line + "\n";
        }
    }
    return text;
}
