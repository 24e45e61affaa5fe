// The window's one table from page, tab and radio item to operation code, without a window.
#include "colour/colorfilter.h"
#include "colour/recipes.h"
#include "geometry/shapedescription.h"
#include "ui/operationpages.h"

#include <QtTest>
#include <set>

class testOperationPages : public QObject {
    Q_OBJECT
private slots:
    void choicesGiveTheirCodes()
    {
        // Every row is reached by its own choice (no row hides another), and finds itself back.
        for (const operationChoice &c : operationChoices()) {
            QCOMPARE(operationCodeOf(c.page, c.tab, c.item), c.code);
            QCOMPARE(operationRadioOf(c.page, c.tab), c.radio);
            if (isFilterPage(c.page)) QCOMPARE(filterChoiceOf(c.code), &c);
        }
        struct pageRow {
            int page, tab, item;
            std::uint32_t code;
        };
        const pageRow rows[] = {
            {transformPage, resizeTab, 3, shapeResize},        // a tab without a radio group ignores the item
            {transformPage, rotateTab, 2, shapeRotateLeft90},
            {transformPage, rotateTab, 6, shapeCopy},          // an item outside the group
            {transformPage, distortTab, 0, shapeDistort},
            {transformPage, 6, 0, shapeCopy},                  // a tab outside the page
            {adjustPage, toneCurveTab, -1, 0},                 // a radio group without a selection
            {effectOnePage, monoColorTab, 2, filterDrawColorMono},
            {effectTwoPage, 5, -1, 0},
            {noOperationPage, 0, -1, 0},
        };
        for (const pageRow &r : rows) QCOMPARE(operationCodeOf(r.page, r.tab, r.item), r.code);
        QCOMPARE(filterChoiceOf(shapeTrim + 1000), nullptr);
    }

    void everyOperationHasAChoice()
    {
        // Every transform but the plain copy, and every code a one-click recipe commits, can be
        // chosen on the window's pages.
        std::set<std::uint32_t> shapes;
        for (const operationChoice &c : operationChoices())
            if (c.page == transformPage) shapes.insert(c.code);
        for (const shapeDescription &d : shapeDescriptions())
            QCOMPARE(shapes.count(d.code), std::size_t(d.code == shapeCopy ? 0 : 1));
        for (const recipe &r : recipes())
            for (const recipeStage &s : recipeStages(r, 1000))
                QVERIFY2(filterChoiceOf(s.filterType), r.name);
    }
};

QTEST_GUILESS_MAIN(testOperationPages)
#include "test_operationpages.moc"
