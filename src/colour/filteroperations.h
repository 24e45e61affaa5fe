// The named colour operations of korvia-batch (and, later, of the one-click recipes): each name
// stands for one filter code of colorFilter plus the parameter fields it reads. Ranges and start
// values are never repeated here: they come from filterParameters(). A few operations take keys
// that are not track bars (a colour, a curve kind, the knots, an angle radio group, a shape); those
// are the special keys below.
//
// An operation is written `name` or `name:key=value,key=value`, for example
//   bch:bright=20,hue=-10     tone:kind=points,points=128.100.96.80.64.48.32.16.0
#pragma once
#include "colorfilter.h"
#include "filterparameters.h"
#include "operationkeys.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A refused operation text; the message names the operation or key and what was expected.
class operationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The one reader of operation texts, for the colour operations and korvia-batch's transforms.
// Cuts `name` or `name:key=value,...` at its first ':' into the name and the text after it
// (hasKeys false without a ':').
struct operationText {
    std::string_view name;
    std::string_view keys;
    bool hasKeys = false;
};
operationText splitOperationText(std::string_view text);

// Hands each key=value item of keys to take, in order. Throws operationError naming operation for
// an item that is not key=value, a key not among known (listing them) and a key given twice.
void forEachOperationItem(std::string_view operation, std::string_view keys,
                          const std::vector<std::string_view> &known,
                          const std::function<void(std::string_view key, std::string_view value)> &take);

// A whole number with an optional sign and nothing else (no spaces, no decimals, no exponent).
enum class wholeNumberRead { ok, malformed, outOfRange };
wholeNumberRead readWholeNumber(std::string_view text, long long &out);

struct filterOperation {
    const char *name;
    int filterType;                  // the code run when no choice key picks another
    std::span<const operationKey> keys;
    const char *summary;             // one line for the usage text
};

// The drawing colour at start-up, (100, 200, 200) packed red-low. The knots' start values and
// limits are the engine's (colorfilter.h).
inline constexpr std::uint32_t startDrawColor = 100u | (200u << 8) | (200u << 16);

// One operation with every value it runs with (given ones, the rest at their start values).
struct operationSettings {
    const filterOperation *operation = nullptr;
    int filterType = 0;
    std::vector<std::pair<const filterParameter *, int>> values; // the operation's parameter keys
    std::uint32_t drawColor = startDrawColor;
    std::array<int, 9> tonePoints = startTonePoints;
    int embossAngle = 0;

    // The value of a parameter field of this operation (given or start), or the field's start
    // value from filterParameters() when the operation does not take it.
    int value(std::string_view field) const;

    // Sets the engine up as the window does before a run: every table parameter at its start
    // value, then this operation's values, its drawing colour, knots, emboss angle and code.
    // The planes and size are left to the caller.
    void applyTo(colorFilter &filter) const;
};

// Every operation the filter descriptions name, in code order (the usage order).
std::span<const filterOperation> filterOperations();

// The operation with this name, or nullptr.
const filterOperation *findFilterOperation(std::string_view name);

// Parses `name` or `name:key=value,...`; throws operationError on an unknown name or key, a
// repeated key, a malformed number or list, or a value outside its range.
operationSettings parseOperation(std::string_view text);

// Usage lines for every operation: name, summary, and each key with its range and default.
std::string operationUsage();
