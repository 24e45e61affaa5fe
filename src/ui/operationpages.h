// The window's operation pages: which page of imageOperationPageControl, which tab of the control
// under it and which radio item choose which operation code, read from the filters' and the
// transforms' own descriptions (filterDescriptions(), shapeDescriptions(): page, tab, item): the
// window reads the code of its current choice here, and the one-click recipes, which speak in
// codes, find here the choice that shows one. Widget-free.
#pragma once
#include "colour/operationtabs.h"

#include <cstdint>
#include <span>

// The radio group a tab chooses its code with.
enum class operationRadio { none, toneCurve, fringeShape, paint, monoColor, rotateAngle };

struct operationChoice {
    operationPage page;
    int tab;              // a tab of the page's control
    operationRadio radio; // none when the tab alone gives the code
    int item;             // the radio item; -1 without a radio group
    std::uint32_t code;   // filterType on the colour pages, shapeType on 変形
};

// Every choice, in page, tab and item order.
std::span<const operationChoice> operationChoices();
// The colour filter's pages (調整, 効果1, 効果2): their codes are filterType values.
bool isFilterPage(int page);
// The radio group of a tab; none for a tab without one or outside the table.
operationRadio operationRadioOf(int page, int tab);
// The code of a page, tab and radio item; 0 for a tab the table does not hold or a radio item
// it does not list (a radio group without a selection). Items of a tab without a radio group
// are ignored.
std::uint32_t operationCodeOf(int page, int tab, int item);
// The choice that shows a colour filter code, or nullptr. The two code spaces are separate:
// filter code 10 is the monochrome tint, shape code 10 trimming.
const operationChoice *filterChoiceOf(std::uint32_t filterType);
