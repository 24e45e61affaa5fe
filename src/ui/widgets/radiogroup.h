// Radio group adapter over a QGroupBox whose QRadioButton children are its items (in the order
// of the box's layout). clicked() is emitted whenever the selection really changes, whether the
// user clicked or the code called setItemIndex; re-selecting the current item emits nothing.
#pragma once
#include <QList>
#include <QObject>

class QButtonGroup;
class QGroupBox;
class QRadioButton;

class radioGroup : public QObject {
    Q_OBJECT
public:
    explicit radioGroup(QGroupBox *box);
    QGroupBox *widget() const { return box; }
    int itemIndex() const;          // -1 when no item is selected
    void setItemIndex(int index);   // -1 clears the selection
    int count() const { return int(items.size()); }
    QRadioButton *item(int index) const { return items.value(index); }

signals:
    void clicked();

private:
    QGroupBox *box;
    QList<QRadioButton *> items;
    QButtonGroup *group = nullptr;
    int current = -1;
};
