// Static text adapter over a QLabel, and the label kind for names that may be longer than their
// place (file names).
#pragma once
#include "ui/panels/controlrefs.h"

#include <QLabel>
#include <QStringList>

class staticText : public textTarget {
public:
    explicit staticText(QLabel *label) : label(label) {}
    QLabel *widget() const { return label; }
    void setCaption(const QString &text) override;
    QString caption() const override;

private:
    QLabel *label;
};

// A label that shows its text on as many lines as its height holds, breaking inside a word where
// a word is wider than the label (file names seldom have spaces). When even that is not enough,
// the last line is shortened in the middle with "…" so that the extension stays visible, and the
// whole text becomes the tool tip. text() is always the whole text.
class fittedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // The lines as drawn in the label's present size.
    QStringList shownLines() const;
    // True when the lines hold the whole text.
    bool showsAll() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};
