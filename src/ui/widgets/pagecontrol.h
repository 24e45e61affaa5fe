// Page control adapter over a QTabWidget. Selecting a page from code runs no change handler;
// changed() is emitted only when the user selects another page.
#pragma once
#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

class QTabWidget;
class QToolButton;

class pageControl : public QObject {
    Q_OBJECT
public:
    explicit pageControl(QTabWidget *tabs);
    QTabWidget *widget() const { return tabs; }
    int activePageIndex() const;        // -1 when there is none
    void setActivePageIndex(int index); // from code: no changed()

signals:
    void changed();

private:
    QTabWidget *tabs;
    bool fromCode = false;
};

// Tabs on as many rows as the width needs, for page controls whose captions do not fit on one
// row of the narrow left panel. It stands just above its QTabWidget in the same layout, is named
// after it with "Tabs" appended (for "PageControl5": "PageControl5Tabs"), and takes over from the
// tab widget's own one-row bar when first shown (or when bind() is called). A click on a tab
// selects that page exactly as a click on the tab widget's own bar would.
class multiRowTabs : public QWidget {
    Q_OBJECT
public:
    explicit multiRowTabs(QWidget *parent = nullptr);

    // Binds to the given tab widget, or, with none, to the sibling named after this strip.
    // Returns false when there is no such tab widget.
    bool bind(QTabWidget *tabs = nullptr);
    QTabWidget *pages() const { return tabs; }
    QToolButton *tabButton(int index) const;
    int rowCount() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Positions of the buttons for the given width; returns the height used.
    int arrange(int width, QList<QRect> *places) const;
    void rebuild();
    void sync();
    void follow(int index);

    QPointer<QTabWidget> tabs;
    QList<QToolButton *> buttons;
};
