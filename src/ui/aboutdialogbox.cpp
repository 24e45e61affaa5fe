#include "aboutdialogbox.h"

#include "ui_aboutbox.h"

#include "widgets/appfont.h"
#include "designassets.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"

#include <QGuiApplication>
#include <QScreen>

TAboutBox::TAboutBox(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
    , ui(new Ui::TAboutBox)
{
    ui->setupUi(this);
    Image1 = ui->Image1;
    OKButton = ui->OKButton;
    setFixedSize(326, 230);
    setModal(false);
    OKButton->setFont(formFont(QStringLiteral("Segoe Script"), 12));
    OKButton->setDefault(true);

    // The box shows its picture the way it is stored: as a JPEG.
    const QImage drawn = aboutPicture(Image1->width(), Image1->height());
    try {
        picture = encodeJpeg(drawn, 90);
        Image1->drawImage(0, 0, decodeJpeg(picture));
    } catch (const imageError &) {
        picture.clear();
        Image1->drawImage(0, 0, drawn);
    }

    connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TAboutBox::~TAboutBox()
{
    delete ui;
}

void TAboutBox::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    OKButton->setFocus();
    // Asked once the window is on the screen; a window not yet shown cannot take the keyboard.
    QMetaObject::invokeMethod(this, [this] { if (isVisible()) activateWindow(); }, Qt::QueuedConnection);
}

void TAboutBox::OKButtonClick()
{
    hide();
}
