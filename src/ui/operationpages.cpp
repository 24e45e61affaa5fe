#include "operationpages.h"

#include "colour/colorfilter.h"
#include "geometry/shapedescription.h"

#include <algorithm>
#include <tuple>
#include <vector>

namespace {
using radio = operationRadio;

// The radio group of each tab that has one; the other tabs choose their code alone.
struct tabRadio {
    operationPage page;
    int tab;
    operationRadio radio;
};
constexpr tabRadio radios[] = {
    {adjustPage, toneCurveTab, radio::toneCurve},
    {effectOnePage, fringeShapeTab, radio::fringeShape},
    {effectOnePage, paintTab, radio::paint},
    {effectOnePage, monoColorTab, radio::monoColor},
    {transformPage, rotateTab, radio::rotateAngle},
};

operationRadio radioOfTab(int page, int tab)
{
    for (const tabRadio &r : radios)
        if (r.page == page && r.tab == tab) return r.radio;
    return radio::none;
}

// The choices from the filters' and the transforms' descriptions, in page, tab and item order.
const std::vector<operationChoice> &choiceTable()
{
    static const std::vector<operationChoice> table = [] {
        std::vector<operationChoice> choices;
        for (const filterDescription &d : filterDescriptions())
            choices.push_back({operationPage(d.page), d.tab, radioOfTab(d.page, d.tab), d.item, std::uint32_t(d.code)});
        for (const shapeDescription &d : shapeDescriptions())
            if (d.tab >= 0)
                choices.push_back({transformPage, d.tab, radioOfTab(transformPage, d.tab), d.item, std::uint32_t(d.code)});
        std::sort(choices.begin(), choices.end(), [](const operationChoice &a, const operationChoice &b) {
            return std::tie(a.page, a.tab, a.item) < std::tie(b.page, b.tab, b.item);
        });
        return choices;
    }();
    return table;
}
} // namespace

std::span<const operationChoice> operationChoices()
{
    return choiceTable();
}

bool isFilterPage(int page)
{
    return page == adjustPage || page == effectOnePage || page == effectTwoPage;
}

operationRadio operationRadioOf(int page, int tab)
{
    for (const operationChoice &c : choiceTable())
        if (c.page == page && c.tab == tab) return c.radio;
    return radio::none;
}

std::uint32_t operationCodeOf(int page, int tab, int item)
{
    for (const operationChoice &c : choiceTable())
        if (c.page == page && c.tab == tab && (c.radio == radio::none || c.item == item)) return c.code;
    return 0;
}

const operationChoice *filterChoiceOf(std::uint32_t filterType)
{
    for (const operationChoice &c : choiceTable())
        if (isFilterPage(c.page) && c.code == filterType) return &c;
    return nullptr;
}
