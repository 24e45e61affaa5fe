// Page control adapter over a QTabWidget. Selecting a page from code runs no change handler;
// changed() is emitted only when the user selects another page.
#pragma once
#include <QObject>

class QTabWidget;

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
