#include "radiogroup.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLayout>
#include <QRadioButton>

radioGroup::radioGroup(QGroupBox *box) : QObject(box), box(box)
{
    // Items in the order of the box's layout; radio buttons outside a layout follow in child order.
    if (QLayout *lay = box->layout()) {
        for (int i = 0; i < lay->count(); ++i)
            if (auto *rb = qobject_cast<QRadioButton *>(lay->itemAt(i)->widget())) items.append(rb);
    }
    for (QRadioButton *rb : box->findChildren<QRadioButton *>(Qt::FindDirectChildrenOnly))
        if (!items.contains(rb)) items.append(rb);

    group = new QButtonGroup(this);
    group->setExclusive(true);
    for (int i = 0; i < items.size(); ++i) {
        group->addButton(items[i], i);
        if (items[i]->isChecked()) current = i;
    }
    connect(group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (!checked || id == current) return;
        current = id;
        emit clicked();
    });
}

int radioGroup::itemIndex() const
{
    return current;
}

void radioGroup::setItemIndex(int index)
{
    if (index < -1 || index >= items.size()) index = -1;
    if (index == current) return;
    if (index == -1) {
        // An exclusive group cannot be emptied by unchecking; lift the rule for a moment.
        group->setExclusive(false);
        items[current]->setChecked(false);
        group->setExclusive(true);
        current = -1;
        emit clicked();
        return;
    }
    items[index]->setChecked(true); // idToggled updates current and emits clicked()
}
