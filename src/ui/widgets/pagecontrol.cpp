#include "pagecontrol.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QRect>
#include <QResizeEvent>
#include <QShowEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

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

// ---------------------------------------------------------------- multiRowTabs

namespace {
constexpr int tabHeight = 21;
constexpr int rowGap = 1;
constexpr int tabGap = 1;
constexpr int textPadding = 12; // both sides together

const char *const tabStyle =
    "QToolButton { border: 1px solid #a9a9a9; border-bottom-color: #c4c4c4; border-top-left-radius: 3px;"
    " border-top-right-radius: 3px; background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f7f7f7,"
    " stop:1 #e4e4e4); padding: 0px; }\n"
    "QToolButton:hover { background: #f4f8fc; }\n"
    "QToolButton:checked { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #e3edf8);"
    " border-color: #6d8fb8; border-bottom-color: #e3edf8; }";
} // namespace

// ---------------------------------------------------------------- what assistive technology sees

namespace {
// The tab widget's property naming the strip that stands for its hidden bar.
const char *const stripProperty = "korviaMultiRowTabs";

// A tab of a strip: a page tab where it is on the screen, showing when its strip shows, selected
// while its page is shown; pressing it selects the page.
class accessibleStripTab final : public QAccessibleWidget {
public:
    explicit accessibleStripTab(QToolButton *button) : QAccessibleWidget(button, QAccessible::PageTab) {}
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = static_cast<QToolButton *>(widget())->isChecked();
        return state;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name == pressAction()) static_cast<QToolButton *>(widget())->click();
    }
};

// A tab widget: once a strip shows its tabs, its children without its hidden bar, whose tabs have
// no place on the screen, so the strip's tabs are the only ones a screen reader finds.
class accessibleStripPages final : public QAccessibleWidget {
public:
    explicit accessibleStripPages(QTabWidget *tabs) : QAccessibleWidget(tabs, QAccessible::Client) {}
    int childCount() const override { return int(shown().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> children = shown();
        return index >= 0 && index < children.size() ? QAccessible::queryAccessibleInterface(children[index]) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child ? int(shown().indexOf(child->object())) : -1;
    }

private:
    QList<QWidget *> shown() const
    {
        auto *tabs = static_cast<QTabWidget *>(widget());
        const bool replaced = tabs->property(stripProperty).value<QObject *>() && tabs->tabBar()->isHidden();
        QList<QWidget *> children;
        for (QObject *o : tabs->children()) {
            auto *w = qobject_cast<QWidget *>(o);
            if (w && !w->isWindow() && !(replaced && w == tabs->tabBar())) children << w;
        }
        return children;
    }
};

QAccessibleInterface *stripAccessibility(const QString &className, QObject *object)
{
    if (className == QLatin1String("multiRowTabs"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::PageTabList);
    if (className == QLatin1String("QToolButton") && qobject_cast<multiRowTabs *>(object->parent()))
        return new accessibleStripTab(static_cast<QToolButton *>(object));
    // Every tab widget: the interface may be asked for before a strip binds to it.
    if (className == QLatin1String("QTabWidget")) return new accessibleStripPages(static_cast<QTabWidget *>(object));
    return nullptr;
}
} // namespace

multiRowTabs::multiRowTabs(QWidget *parent) : QWidget(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(stripAccessibility);
        return true;
    }();
    Q_UNUSED(installed);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

bool multiRowTabs::bind(QTabWidget *target)
{
    if (!target && parentWidget()) {
        QString name = objectName();
        if (name.endsWith(QLatin1String("Tabs"))) name.chop(4);
        target = parentWidget()->findChild<QTabWidget *>(name, Qt::FindDirectChildrenOnly);
    }
    if (!target) return false;
    if (target == tabs) return true;
    tabs = target;
    tabs->setProperty(stripProperty, QVariant::fromValue(static_cast<QObject *>(this)));
    tabs->tabBar()->hide();
    connect(tabs, &QTabWidget::currentChanged, this, &multiRowTabs::follow);
    rebuild();
    return true;
}

QToolButton *multiRowTabs::tabButton(int index) const
{
    return index >= 0 && index < buttons.size() ? buttons[index] : nullptr;
}

void multiRowTabs::rebuild()
{
    qDeleteAll(buttons);
    buttons.clear();
    if (!tabs) return;
    for (int i = 0; i < tabs->count(); ++i) {
        auto *button = new QToolButton(this);
        button->setObjectName(objectName() + QString::number(i));
        button->setText(tabs->tabText(i));
        button->setToolTip(tabs->tabToolTip(i));
        button->setCheckable(true);
        button->setAutoRaise(false);
        button->setFocusPolicy(Qt::TabFocus);
        button->setStyleSheet(QString::fromLatin1(tabStyle));
        // Assistive technology finds the tab by its caption, as on the tab widget's own bar.
        button->setAccessibleName(QString(tabs->tabText(i)).remove(QLatin1Char('&')));
        button->setAccessibleDescription(tabs->widget(i) ? tabs->widget(i)->objectName() : QString());
        connect(button, &QToolButton::clicked, this, [this, i] {
            if (!tabs) return;
            if (tabs->currentIndex() != i) tabs->setCurrentIndex(i);
            follow(tabs->currentIndex());
        });
        button->show();
        buttons << button;
    }
    follow(tabs->currentIndex());
    updateGeometry();
    resizeEvent(nullptr);
}

void multiRowTabs::follow(int index)
{
    for (int i = 0; i < buttons.size(); ++i) buttons[i]->setChecked(i == index);
}

int multiRowTabs::arrange(int width, QList<QRect> *places) const
{
    if (buttons.isEmpty()) return 0;
    // Rows are filled left to right; a tab that does not fit starts a new row. A row never holds
    // less than one tab, so a caption wider than the strip still shows as far as it can.
    int x = 0;
    int y = 0;
    const QFontMetrics metrics(font());
    for (QToolButton *button : buttons) {
        const int w = std::min(width, metrics.horizontalAdvance(button->text()) + textPadding);
        if (x > 0 && x + w > width) {
            x = 0;
            y += tabHeight + rowGap;
        }
        if (places) places->append(QRect(x, y, w, tabHeight));
        x += w + tabGap;
    }
    return y + tabHeight;
}

int multiRowTabs::rowCount() const
{
    if (buttons.isEmpty()) return 0;
    return (arrange(width(), nullptr) + rowGap) / (tabHeight + rowGap);
}

int multiRowTabs::heightForWidth(int width) const
{
    return arrange(width, nullptr);
}

QSize multiRowTabs::sizeHint() const
{
    const int w = width() > 0 ? width() : 200;
    return QSize(w, heightForWidth(w));
}

QSize multiRowTabs::minimumSizeHint() const
{
    return QSize(0, heightForWidth(width() > 0 ? width() : 200));
}

bool multiRowTabs::event(QEvent *event)
{
    // Polishing reaches every strip when the window first shows, also those on pages not shown
    // yet, so every page control has its rows from the start.
    if (event->type() == QEvent::Polish) {
        if (!tabs) bind();
        sync();
    }
    return QWidget::event(event);
}

void multiRowTabs::showEvent(QShowEvent *event)
{
    if (!tabs) bind();
    sync();
    QWidget::showEvent(event);
}

void multiRowTabs::sync()
{
    // Form code names the tabs after adding them, so the captions are read again before showing.
    if (!tabs) return;
    if (buttons.size() != tabs->count()) {
        rebuild();
        return;
    }
    bool changed = false;
    for (int i = 0; i < buttons.size(); ++i) {
        const QString text = tabs->tabText(i);
        if (buttons[i]->text() == text) continue;
        buttons[i]->setText(text);
        buttons[i]->setToolTip(tabs->tabToolTip(i));
        buttons[i]->setAccessibleName(QString(text).remove(QLatin1Char('&')));
        changed = true;
    }
    if (changed) {
        updateGeometry();
        resizeEvent(nullptr);
    }
}

void multiRowTabs::resizeEvent(QResizeEvent *event)
{
    if (event) QWidget::resizeEvent(event);
    QList<QRect> places;
    const int height = arrange(width(), &places);
    for (int i = 0; i < buttons.size() && i < places.size(); ++i) buttons[i]->setGeometry(places[i]);
    if (height != this->height()) updateGeometry();
}
