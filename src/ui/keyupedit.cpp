#include "keyupedit.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

keyUpEdit::keyUpEdit(QLineEdit *edit) : QObject(edit), edit(edit)
{
    edit->installEventFilter(this);
}

QString keyUpEdit::text() const
{
    return edit->text();
}

void keyUpEdit::setText(const QString &text)
{
    edit->setText(text);
}

bool keyUpEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edit && event->type() == QEvent::KeyRelease) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!key->isAutoRepeat()) emit keyUp();
    }
    return QObject::eventFilter(watched, event);
}
