#include "updown.h"

#include <QLineEdit>
#include <QSpinBox>

upDown::upDown(QSpinBox *spin, QLineEdit *associate) : QObject(spin), spin(spin), associate(associate)
{
    spin->setGroupSeparatorShown(false);
    spin->setSingleStep(1);
    connect(spin, &QSpinBox::valueChanged, this, [this](int value) {
        if (this->associate) this->associate->setText(QString::number(value));
        if (!fromCode) emit clicked();
    });
}

int upDown::position() const
{
    return spin->value();
}

void upDown::setPosition(int position)
{
    fromCode = true;
    spin->setValue(position);
    fromCode = false;
    if (associate) associate->setText(QString::number(spin->value()));
}

int upDown::minimum() const
{
    return spin->minimum();
}

int upDown::maximum() const
{
    return spin->maximum();
}

void upDown::setMinimum(int minimum)
{
    fromCode = true;
    spin->setMinimum(minimum);
    fromCode = false;
}

void upDown::setMaximum(int maximum)
{
    fromCode = true;
    spin->setMaximum(maximum);
    fromCode = false;
}

void upDown::setRange(int minimum, int maximum)
{
    fromCode = true;
    spin->setRange(minimum, maximum);
    fromCode = false;
}
