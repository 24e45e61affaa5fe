// The About box: the program's picture with an OK button, shown non-modally and only hidden again,
// so it keeps its place between showings and never blocks the main window.
#pragma once
#include "ui_aboutbox.h"

#include <QByteArray>
#include <QDialog>

class TAboutBox : public QDialog, public Ui::TAboutBox {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);

    // The picture as stored with the box (JPEG bytes).
    const QByteArray &pictureJpeg() const { return picture; }

public slots:
    void OKButtonClick();

private:
    QByteArray picture;
};
