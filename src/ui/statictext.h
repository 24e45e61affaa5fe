// Static text adapter over a QLabel.
#pragma once
#include "imagedata/controlrefs.h"

class QLabel;

class staticText : public textTarget {
public:
    explicit staticText(QLabel *label) : label(label) {}
    QLabel *widget() const { return label; }
    void setCaption(const QString &text) override;
    QString caption() const override;

private:
    QLabel *label;
};
