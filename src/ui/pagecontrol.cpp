#include "pagecontrol.h"

#include <QTabWidget>

pageControl::pageControl(QTabWidget *tabs) : QObject(tabs), tabs(tabs)
{
    connect(tabs, &QTabWidget::currentChanged, this, [this](int) {
        if (!fromCode) emit changed();
    });
}

int pageControl::activePageIndex() const
{
    return tabs->currentIndex();
}

void pageControl::setActivePageIndex(int index)
{
    fromCode = true;
    tabs->setCurrentIndex(index);
    fromCode = false;
}
