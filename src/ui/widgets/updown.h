// Up-down adapter over a QSpinBox used only for its two arrow buttons, with an associated edit
// that shows the position (no thousands separators). clicked() is emitted when the user steps it;
// setPosition and setRange from code emit nothing.
#pragma once
#include <QObject>

class QSpinBox;
class QLineEdit;

class upDown : public QObject {
    Q_OBJECT
public:
    upDown(QSpinBox *spin, QLineEdit *associate);
    QSpinBox *widget() const { return spin; }
    int position() const;
    void setPosition(int position); // clamped into the range; the associate shows it
    int minimum() const;
    int maximum() const;
    void setMinimum(int minimum);
    void setMaximum(int maximum);
    void setRange(int minimum, int maximum);

signals:
    void clicked();

private:
    QSpinBox *spin;
    QLineEdit *associate;
    bool fromCode = false;
};
