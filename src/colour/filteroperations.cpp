// korvia-batch's colour operations: the ones the filter descriptions name, read from their texts.
#include "filteroperations.h"

#include "colorcontrol.h"

#include <charconv>
#include <limits>

namespace {
using kind = operationKeyKind;

// The operations the filter descriptions name, in code order.
const std::vector<filterOperation> &operations()
{
    static const std::vector<filterOperation> named = [] {
        std::vector<filterOperation> list;
        for (const filterDescription &d : filterDescriptions())
            if (d.batchName) list.push_back({d.batchName, d.code, d.keys, d.summary});
        return list;
    }();
    return named;
}

std::string quoted(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

int parseRanged(std::string_view op, std::string_view key, std::string_view text, int minimum,
                int maximum, const std::string &what)
{
    long long v = 0;
    if (readWholeNumber(text, v) != wholeNumberRead::ok)
        throw operationError(std::string(op) + ": " + std::string(key) + "=" + std::string(text) +
                             " is not a whole number");
    if (v < minimum || v > maximum)
        throw operationError(what + " must be between " + std::to_string(minimum) + " and " +
                             std::to_string(maximum));
    return int(v);
}

// Splits "a.b.c" at the dots; empty parts are kept so that they are refused as numbers.
std::vector<std::string_view> splitDots(std::string_view text)
{
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    for (;;) {
        std::size_t dot = text.find('.', from);
        parts.push_back(text.substr(from, dot == std::string_view::npos ? dot : dot - from));
        if (dot == std::string_view::npos) break;
        from = dot + 1;
    }
    return parts;
}

const filterParameter &parameterOf(const operationKey &key)
{
    const filterParameter *p = findFilterParameter(key.field);
    if (!p) throw std::logic_error(std::string("operation key without parameter: ") + key.field);
    return *p;
}

std::string keyUsage(const operationKey &key)
{
    switch (key.kind) {
    case kind::parameter: {
        const filterParameter &p = parameterOf(key);
        return std::string(key.key) + "=" + std::to_string(p.minimum) + ".." +
               std::to_string(p.maximum) + " (default " + std::to_string(p.start) + ")";
    }
    case kind::color:
        return std::string(key.key) + "=R.G.B, each 0..255 (default " +
               std::to_string(startDrawColor & 0xff) + "." +
               std::to_string((startDrawColor >> 8) & 0xff) + "." +
               std::to_string((startDrawColor >> 16) & 0xff) + ")";
    case kind::choice: {
        std::string words;
        for (const operationWord &c : key.choices) {
            if (!words.empty()) words.append("|");
            words.append(c.word);
        }
        return std::string(key.key) + "=" + words + " (default " + key.choices.front().word + ")";
    }
    case kind::points: {
        std::string knots;
        for (int p : startTonePoints) {
            if (!knots.empty()) knots.append(".");
            knots.append(std::to_string(p));
        }
        return std::string(key.key) + "=p0.p1.p2.p3.p4.p5.p6.p7.p8, each " + std::to_string(minimumTonePoint) +
               ".." + std::to_string(maximumTonePoint) + " (default " + knots + ")";
    }
    case kind::angle:
        return std::string(key.key) + "=0|45|90|135|180|225|270 degrees (default 0)";
    }
    return key.key;
}
} // namespace

operationText splitOperationText(std::string_view text)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return {text, {}, false};
    return {text.substr(0, colon), text.substr(colon + 1), true};
}

void forEachOperationItem(std::string_view operation, std::string_view keys,
                          const std::vector<std::string_view> &known,
                          const std::function<void(std::string_view key, std::string_view value)> &take)
{
    const std::string opName(operation);
    std::vector<std::string_view> seen;
    std::string_view rest = keys;
    for (;;) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        const std::size_t eq = item.find('=');
        if (eq == std::string_view::npos || eq == 0)
            throw operationError(opName + ": expected key=value, got " + quoted(item));
        const std::string_view keyName = item.substr(0, eq);
        bool found = false;
        for (std::string_view k : known) found = found || k == keyName;
        if (!found) {
            std::string list;
            for (std::string_view k : known) list += (list.empty() ? "" : ", ") + std::string(k);
            throw operationError(opName + ": unknown key " + quoted(keyName) +
                                 (list.empty() ? std::string(" (it takes no keys)") : " (keys: " + list + ")"));
        }
        for (std::string_view s : seen)
            if (s == keyName) throw operationError(opName + ": " + std::string(keyName) + " given twice");
        seen.push_back(keyName);
        take(keyName, item.substr(eq + 1));
        if (comma == std::string_view::npos) break;
        rest = rest.substr(comma + 1);
    }
}

wholeNumberRead readWholeNumber(std::string_view text, long long &out)
{
    if (text.empty()) return wholeNumberRead::malformed;
    std::size_t start = (text[0] == '+') ? 1 : 0;
    if (start == 1 && (text.size() == 1 || text[1] == '-')) return wholeNumberRead::malformed;
    const char *first = text.data() + start;
    const char *last = text.data() + text.size();
    auto [end, ec] = std::from_chars(first, last, out);
    if (ec == std::errc::invalid_argument || end != last) return wholeNumberRead::malformed;
    return ec == std::errc() ? wholeNumberRead::ok : wholeNumberRead::outOfRange;
}

std::span<const filterOperation> filterOperations()
{
    return operations();
}

const filterOperation *findFilterOperation(std::string_view name)
{
    for (const filterOperation &op : operations())
        if (name == op.name) return &op;
    return nullptr;
}

int operationSettings::value(std::string_view field) const
{
    for (const auto &[parameter, v] : values)
        if (field == parameter->field) return v;
    const filterParameter *p = findFilterParameter(field);
    if (!p) throw std::logic_error("unknown parameter field: " + std::string(field));
    return p->start;
}

void operationSettings::applyTo(colorFilter &filter) const
{
    for (const filterParameter &p : filterParameters()) filter.*(p.member) = p.start;
    if (const filterParameter *tone = findFilterParameter("tonePosition")) {
        filter.toneMax = tone->maximum;
        filter.toneMin = tone->minimum;
    }
    for (const auto &[parameter, v] : values) filter.*(parameter->member) = v;
    filter.drawColor = drawColor;
    filter.tonePoints = tonePoints;
    filter.embossAngle = embossAngle;
    filter.filterType = filterType;
}

operationSettings parseOperation(std::string_view text)
{
    const operationText parts = splitOperationText(text);
    const std::string_view name = parts.name;
    const filterOperation *op = findFilterOperation(name);
    if (!op) throw operationError("unknown operation " + quoted(name) + " (see --help)");

    operationSettings settings;
    settings.operation = op;
    settings.filterType = op->filterType;
    for (const operationKey &key : op->keys)
        if (key.kind == kind::parameter) settings.values.emplace_back(&parameterOf(key), parameterOf(key).start);

    if (!parts.hasKeys) return settings;

    const std::string opName(name);
    std::vector<std::string_view> known;
    for (const operationKey &k : op->keys) known.push_back(k.key);
    forEachOperationItem(name, parts.keys, known, [&](std::string_view keyName, std::string_view valueText) {
        const operationKey *key = nullptr;
        for (const operationKey &k : op->keys)
            if (keyName == k.key) key = &k;
        switch (key->kind) {
        case kind::parameter: {
            const filterParameter &p = parameterOf(*key);
            const int v = parseRanged(opName, keyName, valueText, p.minimum, p.maximum, std::string(keyName));
            for (auto &entry : settings.values)
                if (entry.first == &p) entry.second = v;
            break;
        }
        case kind::color: {
            const auto parts = splitDots(valueText);
            if (parts.size() != 3)
                throw operationError(opName + ": " + std::string(keyName) + " must be R.G.B, got " + quoted(valueText));
            int c[3];
            for (int i = 0; i < 3; ++i)
                c[i] = parseRanged(opName, keyName, parts[i], 0, 255, std::string(keyName) + " channels");
            settings.drawColor = packColor(std::uint8_t(c[0]), std::uint8_t(c[1]), std::uint8_t(c[2]));
            break;
        }
        case kind::choice: {
            const operationWord *found = nullptr;
            for (const operationWord &c : key->choices)
                if (valueText == c.word) found = &c;
            if (!found) {
                std::string words;
                for (const operationWord &c : key->choices) words += (words.empty() ? "" : ", ") + std::string(c.word);
                throw operationError(opName + ": " + std::string(keyName) + " must be one of " + words +
                                     ", got " + quoted(valueText));
            }
            settings.filterType = found->filterType;
            break;
        }
        case kind::points: {
            const auto parts = splitDots(valueText);
            if (parts.size() != settings.tonePoints.size())
                throw operationError(opName + ": " + std::string(keyName) + " needs nine values p0.p1.p2.p3.p4.p5.p6.p7.p8, got " +
                                     quoted(valueText));
            for (std::size_t i = 0; i < parts.size(); ++i)
                settings.tonePoints[i] = parseRanged(opName, keyName, parts[i], minimumTonePoint,
                                                     maximumTonePoint, std::string(keyName));
            break;
        }
        case kind::angle: {
            const int v = parseRanged(opName, keyName, valueText, 0, 270, std::string(keyName));
            if (v % 45 != 0)
                throw operationError(std::string(keyName) + " must be one of 0, 45, 90, 135, 180, 225, 270");
            settings.embossAngle = v;
            break;
        }
        }
    });
    return settings;
}

std::string operationUsage()
{
    std::string text;
    for (const filterOperation &op : operations()) {
        text += "  " + std::string(op.name) + "  " + op.summary + "\n";
        for (const operationKey &key : op.keys) text += "      " + keyUsage(key) + "\n";
    }
    return text;
}
