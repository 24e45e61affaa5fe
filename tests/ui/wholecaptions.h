// Whether a control shows its whole caption, for the tests of the dialogs and the window's pages.
#pragma once
#include "ui/widgets/statictext.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QString>
#include <QWidget>

// Where the caption of a control does not fit its control, names it with the two widths.
inline QString clipped(const QWidget *w)
{
    const QString name = w->objectName();
    if (const auto *fitted = qobject_cast<const fittedLabel *>(w))
        return fitted->showsAll() ? QString() : QStringLiteral("%1 shows only %2").arg(name, fitted->shownLines().join('|'));
    if (const auto *label = qobject_cast<const QLabel *>(w)) {
        if (label->text().isEmpty() || label->pixmap().cacheKey() != 0) return QString();
        if (label->wordWrap()) {
            const int need = label->heightForWidth(label->width());
            return need > label->height() ? QStringLiteral("%1 needs %2 px high, has %3 (one line %4)").arg(name).arg(need).arg(label->height()).arg(label->fontMetrics().lineSpacing())
                                          : QString();
        }
        const int need = label->fontMetrics().horizontalAdvance(label->text()) + 2 * label->frameWidth();
        return need > label->width() ? QStringLiteral("%1 needs %2 px, has %3").arg(name).arg(need).arg(label->width())
                                     : QString();
    }
    if (qobject_cast<const QRadioButton *>(w) || qobject_cast<const QCheckBox *>(w)) {
        const int need = w->sizeHint().width();
        return need > w->width() ? QStringLiteral("%1 needs %2 px, has %3").arg(name).arg(need).arg(w->width()) : QString();
    }
    if (const auto *button = qobject_cast<const QAbstractButton *>(w)) {
        if (button->text().isEmpty() || !button->icon().isNull()) return QString();
        const int need = button->fontMetrics().horizontalAdvance(button->text()) + 6;
        return need > button->width() ? QStringLiteral("%1 needs %2 px, has %3").arg(name).arg(need).arg(button->width())
                                      : QString();
    }
    return QString();
}
