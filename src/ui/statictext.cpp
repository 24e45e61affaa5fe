#include "statictext.h"

#include <QLabel>

void staticText::setCaption(const QString &text)
{
    label->setText(text);
}

QString staticText::caption() const
{
    return label->text();
}
