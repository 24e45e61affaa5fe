#include "accessibility.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QStackedWidget>
#include <QString>
#include <QTabWidget>
#include <QWidget>

QString widgetCaption(const QWidget *widget)
{
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget)) return button->text();
    if (const auto *label = qobject_cast<const QLabel *>(widget)) return label->text();
    if (const auto *box = qobject_cast<const QGroupBox *>(widget)) return box->title();
    // A page of a tab widget sits in the tab widget's stack; its caption is its tab's text.
    if (const auto *stack = qobject_cast<const QStackedWidget *>(widget->parentWidget())) {
        if (const auto *tabs = qobject_cast<const QTabWidget *>(stack->parentWidget())) {
            const int index = tabs->indexOf(const_cast<QWidget *>(widget));
            if (index >= 0) return tabs->tabText(index);
        }
    }
    return QString();
}

void exposeAccessibleNames(QWidget *root)
{
    if (!root) return;
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : widgets) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
        w->setAccessibleDescription(name);
        // A label's text is read live by the accessibility layer, so value captions that change
        // (file names, sizes, track-bar positions) are announced as they are now, never stale.
        if (qobject_cast<QLabel *>(w)) continue;
        QString accessible = widgetCaption(w);
        accessible.remove(QLatin1Char('&'));
        if (accessible.isEmpty()) accessible = w->toolTip();
        if (accessible.isEmpty()) accessible = name;
        w->setAccessibleName(accessible);
    }
}
