// The batch operation table and the OP parser: names, keys, defaults from the parameter table,
// range and syntax refusals, and the engine set-up an operation produces.
#include "colour/colorcontrol.h"
#include "colour/filteroperations.h"
#include "colour/tonecurveview.h" // beside filteroperations.h: the two share the knot defaults

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::string refusal(const std::string &text)
{
    try {
        parseOperation(text);
    } catch (const operationError &e) {
        return e.what();
    }
    return "(accepted)";
}

TEST(FilterOperationTable, EveryParameterKeyResolvesToATableField)
{
    for (const filterOperation &op : filterOperations()) {
        std::set<std::string> keys;
        for (const operationKey &key : op.keys) {
            EXPECT_TRUE(keys.insert(key.key).second) << op.name << " repeats " << key.key;
            if (key.kind == operationKeyKind::parameter) {
                ASSERT_NE(key.field, nullptr) << op.name << "." << key.key;
                EXPECT_NE(findFilterParameter(key.field), nullptr) << op.name << "." << key.key;
            }
            if (key.kind == operationKeyKind::choice) {
                EXPECT_GE(key.choices.size(), 2u) << op.name << "." << key.key;
            }
        }
        EXPECT_EQ(findFilterOperation(op.name), &op);
    }
    EXPECT_EQ(findFilterOperation("nonsense"), nullptr);
}

TEST(FilterOperationTable, ParameterKeysAreTheEngineFieldNames)
{
    // Except the tone position, every track-bar key is spelled as the engine's field.
    for (const filterOperation &op : filterOperations())
        for (const operationKey &key : op.keys)
            if (key.kind == operationKeyKind::parameter && std::string(op.name) != "tone") {
                EXPECT_STREQ(key.key, key.field) << op.name;
            }
}

TEST(FilterOperationTable, CodesOfTheOperationsAndTheirChoices)
{
    const std::pair<const char *, int> expected[] = {
        {"rgb", filterRgbShift}, {"bch", filterBrightChromaHue}, {"levels", filterColorLevels}, {"grayscale", filterGreyscale}, {"sepia", filterSepia}, {"tint", filterDrawColorMono},
        {"tone", filterToneSCurve}, {"tone:kind=s", filterToneSCurve}, {"tone:kind=slope", filterToneSlope}, {"tone:kind=points", filterTonePoints},
        {"tone:kind=gamma", filterToneGamma}, {"sharpen", filterSharpen}, {"soft", filterSoftFocus}, {"emboss", filterEmboss}, {"motion", filterMotionBlur},
        {"mosaic", filterMosaic}, {"median", filterMedian}, {"fringe-bright", filterFringeCircle}, {"fringe-bright:shape=circle", filterFringeCircle},
        {"fringe-bright:shape=square", filterFringeSquare}, {"fringe-blur", filterFringeBlur}, {"paint", filterPaintNormal},
        {"paint:style=normal", filterPaintNormal}, {"paint:style=pointillism", filterPaintPointillism},
    };
    for (const auto &[text, code] : expected) EXPECT_EQ(parseOperation(text).filterType, code) << text;
}

TEST(FilterOperationTable, DefaultsAreTheControlsStartValues)
{
    for (const filterOperation &op : filterOperations()) {
        const operationSettings s = parseOperation(op.name);
        EXPECT_EQ(s.operation, &op);
        for (const operationKey &key : op.keys) {
            if (key.kind != operationKeyKind::parameter) continue;
            EXPECT_EQ(s.value(key.field), findFilterParameter(key.field)->start) << op.name << "." << key.key;
        }
        EXPECT_EQ(s.drawColor, packColor(100, 200, 200)) << op.name;
        EXPECT_EQ(s.tonePoints, (std::array<int, 9>{128, 112, 96, 80, 64, 48, 32, 16, 0})) << op.name;
        EXPECT_EQ(s.embossAngle, 0) << op.name;
    }
}

TEST(FilterOperationParser, GivenValuesReplaceDefaultsOthersStay)
{
    const operationSettings s = parseOperation("bch:hue=-10,bright=20");
    EXPECT_EQ(s.value("bright"), 20);
    EXPECT_EQ(s.value("hue"), -10);
    EXPECT_EQ(s.value("chroma"), findFilterParameter("chroma")->start);

    const operationSettings signs = parseOperation("rgb:red=+7,green=-0,blue=-255");
    EXPECT_EQ(signs.value("red"), 7);
    EXPECT_EQ(signs.value("green"), 0);
    EXPECT_EQ(signs.value("blue"), -255);

    EXPECT_EQ(parseOperation("tone:position=-50").value("tonePosition"), -50);
    EXPECT_EQ(parseOperation("tone:kind=gamma,position=50").value("tonePosition"), 50);
}

TEST(FilterOperationParser, RangeEndsAcceptedJustOutsideRefusedNamingTheRange)
{
    for (const filterOperation &op : filterOperations()) {
        for (const operationKey &key : op.keys) {
            if (key.kind != operationKeyKind::parameter) continue;
            const filterParameter *p = findFilterParameter(key.field);
            const std::string prefix = std::string(op.name) + ":" + key.key + "=";
            EXPECT_EQ(parseOperation(prefix + std::to_string(p->minimum)).value(key.field), p->minimum);
            EXPECT_EQ(parseOperation(prefix + std::to_string(p->maximum)).value(key.field), p->maximum);
            const std::string message = std::string(key.key) + " must be between " +
                                        std::to_string(p->minimum) + " and " + std::to_string(p->maximum);
            EXPECT_EQ(refusal(prefix + std::to_string(p->minimum - 1)), message);
            EXPECT_EQ(refusal(prefix + std::to_string(p->maximum + 1)), message);
        }
    }
    EXPECT_EQ(refusal("bch:bright=101"), "bright must be between -100 and 100");
}

TEST(FilterOperationParser, MalformedNumbersRefused)
{
    for (const char *value : {"", "1.5", "abc", " 5", "5 ", "5x", "0x10", "1e2", "+", "-", "+-3", "--3",
                              "99999999999999999999"}) {
        const std::string text = std::string("bch:bright=") + value;
        const std::string message = refusal(text);
        EXPECT_NE(message, "(accepted)") << text;
        EXPECT_NE(message.find("not a whole number"), std::string::npos) << text << ": " << message;
    }
}

TEST(FilterOperationParser, UnknownNamesKeysAndBadListsRefused)
{
    EXPECT_NE(refusal("blur").find("unknown operation 'blur'"), std::string::npos);
    EXPECT_NE(refusal("BCH").find("unknown operation"), std::string::npos);   // names are case-sensitive
    EXPECT_NE(refusal("").find("unknown operation"), std::string::npos);
    EXPECT_NE(refusal("bch:brightness=3").find("unknown key 'brightness'"), std::string::npos);
    EXPECT_NE(refusal("bch:red=3").find("unknown key 'red'"), std::string::npos); // a key of another op
    EXPECT_NE(refusal("sepia:red=3").find("takes no keys"), std::string::npos);
    EXPECT_NE(refusal("bch:bright=1,bright=2").find("given twice"), std::string::npos);
    EXPECT_NE(refusal("bch:").find("expected key=value"), std::string::npos);
    EXPECT_NE(refusal("bch:bright=1,").find("expected key=value"), std::string::npos);
    EXPECT_NE(refusal("bch:bright").find("expected key=value"), std::string::npos);
    EXPECT_NE(refusal("bch:=3").find("expected key=value"), std::string::npos);
    EXPECT_NE(refusal("tone:kind=curve").find("must be one of s, slope, points, gamma"), std::string::npos);
    EXPECT_NE(refusal("paint:style=Normal").find("must be one of"), std::string::npos);
    EXPECT_NE(refusal("fringe-bright:shape=").find("must be one of"), std::string::npos);
}

TEST(FilterOperationParser, DrawingColour)
{
    EXPECT_EQ(parseOperation("tint:color=1.2.3").drawColor, 0x030201u);
    EXPECT_EQ(parseOperation("emboss:color=255.0.128").drawColor, packColor(255, 0, 128));
    EXPECT_EQ(parseOperation("tint:color=0.0.0").drawColor, 0u);
    for (const char *bad : {"tint:color=1.2", "tint:color=1.2.3.4", "tint:color=1..3", "tint:color=256.0.0",
                            "tint:color=-1.0.0", "tint:color=a.b.c", "tint:color=", "tint:color=1.2.3."})
        EXPECT_NE(refusal(bad), "(accepted)") << bad;
    EXPECT_EQ(refusal("tint:color=0.300.0"), "color channels must be between 0 and 255");
}

TEST(FilterOperationParser, ToneKnots)
{
    const operationSettings s = parseOperation("tone:kind=points,points=-2.0.10.20.30.40.50.60.130");
    EXPECT_EQ(s.filterType, filterTonePoints);
    EXPECT_EQ(s.tonePoints, (std::array<int, 9>{-2, 0, 10, 20, 30, 40, 50, 60, 130}));
    EXPECT_NE(refusal("tone:points=1.2.3.4.5.6.7.8").find("nine values"), std::string::npos);
    EXPECT_NE(refusal("tone:points=1.2.3.4.5.6.7.8.9.10").find("nine values"), std::string::npos);
    EXPECT_EQ(refusal("tone:points=-3.0.0.0.0.0.0.0.0"), "points must be between -2 and 130");
    EXPECT_EQ(refusal("tone:points=0.0.0.0.0.0.0.0.131"), "points must be between -2 and 130");
}

TEST(FilterOperationParser, EmbossAngleInStepsOf45UpTo270)
{
    for (int angle = 0; angle <= 270; angle += 45)
        EXPECT_EQ(parseOperation("emboss:embossAngle=" + std::to_string(angle)).embossAngle, angle);
    for (const char *bad : {"emboss:embossAngle=315", "emboss:embossAngle=50", "emboss:embossAngle=-45",
                            "emboss:embossAngle=1"})
        EXPECT_NE(refusal(bad), "(accepted)") << bad;
}

TEST(FilterOperationSettings, ApplyToResetsEveryParameterThenSetsTheOperationsOwn)
{
    colorFilter filter;
    for (const filterParameter &p : filterParameters()) filter.*(p.member) = 12345;
    filter.toneMax = filter.toneMin = 7;
    filter.embossAngle = 90;
    filter.tonePoints.fill(1);

    parseOperation("emboss:embosseLevel=7,embossAngle=135,color=10.20.30").applyTo(filter);
    EXPECT_EQ(filter.filterType, filterEmboss);
    EXPECT_EQ(filter.embosseLevel, 7);
    EXPECT_EQ(filter.embossAngle, 135);
    EXPECT_EQ(filter.drawColor, packColor(10, 20, 30));
    EXPECT_EQ(filter.toneMax, 50);
    EXPECT_EQ(filter.toneMin, -50);
    std::array<int, 9> reset{};
    resetTonePoints(reset); // the curve editor's reset
    EXPECT_EQ(filter.tonePoints, reset);
    for (const filterParameter &p : filterParameters())
        if (std::string(p.field) != "embosseLevel") {
            EXPECT_EQ(filter.*(p.member), p.start) << p.field;
        }

    // A second operation on the same engine does not inherit the first one's values.
    parseOperation("sharpen").applyTo(filter);
    EXPECT_EQ(filter.filterType, filterSharpen);
    EXPECT_EQ(filter.embosseLevel, findFilterParameter("embosseLevel")->start);
    EXPECT_EQ(filter.embossAngle, 0);
    EXPECT_EQ(filter.drawColor, packColor(100, 200, 200));
}

TEST(FilterOperationUsage, ListsEveryOperationWithItsKeysRangesAndDefaults)
{
    const std::string usage = operationUsage();
    for (const filterOperation &op : filterOperations()) {
        EXPECT_NE(usage.find("  " + std::string(op.name) + "  "), std::string::npos) << op.name;
        for (const operationKey &key : op.keys) {
            std::string expected = std::string(key.key) + "=";
            if (key.kind == operationKeyKind::parameter) {
                const filterParameter *p = findFilterParameter(key.field);
                expected += std::to_string(p->minimum) + ".." + std::to_string(p->maximum) + " (default " +
                            std::to_string(p->start) + ")";
            }
            EXPECT_NE(usage.find(expected), std::string::npos) << expected;
        }
    }
    EXPECT_NE(usage.find("color=R.G.B, each 0..255 (default 100.200.200)"), std::string::npos);
    EXPECT_NE(usage.find("kind=s|slope|points|gamma (default s)"), std::string::npos);
    EXPECT_NE(usage.find("(default 128.112.96.80.64.48.32.16.0)"), std::string::npos);
}

} // namespace
