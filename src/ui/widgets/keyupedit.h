// Edit adapter over a QLineEdit: keyUp() is emitted on every key release in the edit, after the
// edit's text has taken the key. Only keys that went down in the edit count: the release of the
// key that closed a message box shown by a handler does not start the handler again.
#pragma once
#include <QObject>
#include <QSet>

class QLineEdit;

class keyUpEdit : public QObject {
    Q_OBJECT
public:
    explicit keyUpEdit(QLineEdit *edit);
    QLineEdit *widget() const { return edit; }
    QString text() const;
    void setText(const QString &text); // from code: no keyUp()

signals:
    void keyUp();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *edit;
    QSet<int> pressed; // keys down in the edit
};
