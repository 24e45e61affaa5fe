// The About box: the program's picture with an OK button, shown non-modally and only hidden again,
// so it keeps its place between showings and never blocks the main window.
#pragma once
#include <QByteArray>
#include <QDialog>

class QPushButton;
class imageControl;
namespace Ui {
class TAboutBox;
}

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);
    ~TAboutBox() override;

    // The picture as stored with the box (JPEG bytes).
    const QByteArray &pictureJpeg() const { return picture; }

    // The controls of the form (owned by the box).
    imageControl *Image1;
    QPushButton *OKButton;

public slots:
    void OKButtonClick();

protected:
    // Shown, the box takes the keyboard, so that Escape (or Enter on its OK button) closes it.
    void showEvent(QShowEvent *event) override;

private:
    Ui::TAboutBox *ui;
    QByteArray picture;
};
