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
    if (watched == edit) {
        if (event->type() == QEvent::KeyPress) {
            pressed.insert(static_cast<QKeyEvent *>(event)->key());
        } else if (event->type() == QEvent::KeyRelease) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (!key->isAutoRepeat() && pressed.remove(key->key())) emit keyUp();
        } else if (event->type() == QEvent::FocusOut) {
            pressed.clear();
        }
    }
    return QObject::eventFilter(watched, event);
}
