#include "jpegqualitywindow.h"

#include "ui_jpegqualityform.h"

#include "widgets/appfont.h"
#include "designassets.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

TjpegQualityForm::TjpegQualityForm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint)
    , ui(new Ui::TjpegQualityForm)
{
    ui->setupUi(this);
    Image11 = ui->Image11;
    Image12 = ui->Image12;
    Image1 = ui->Image1;
    Image2 = ui->Image2;
    Image3 = ui->Image3;
    Image4 = ui->Image4;
    Image5 = ui->Image5;
    StaticText1 = ui->StaticText1;
    StaticText2 = ui->StaticText2;
    StaticText3 = ui->StaticText3;
    StaticText4 = ui->StaticText4;
    StaticText5 = ui->StaticText5;
    StaticText6 = ui->StaticText6;
    jpegQualityStaticText = ui->jpegQualityStaticText;
    jpegQualitTrackBar = ui->jpegQualitTrackBar;
    okButton = ui->okButton;

    setFont(formFont(QStringLiteral("Tahoma"), 13));
    for (QLabel *small : {StaticText3, StaticText4}) small->setFont(formFont(QStringLiteral("Tahoma"), 11));

    // The background is the light button-highlight colour of the palette.
    QPalette pal = palette();
    const QColor light = pal.color(QPalette::Light);
    pal.setColor(QPalette::Window, light);
    setPalette(pal);
    setAutoFillBackground(true);

    Image11->drawImage(0, 0, qualityArrow(false, Image11->width(), Image11->height(), light.rgb()));
    Image12->drawImage(0, 0, qualityArrow(true, Image12->width(), Image12->height(), light.rgb()));

    // Each sample is shown as it comes back from its JPEG, which is the point of the row.
    imageControl *images[] = {Image1, Image2, Image3, Image4, Image5};
    try {
        samples = flowerSampleJpegs();
        for (int i = 0; i < samples.size() && i < 5; ++i) {
            images[i]->fill(light.rgb());
            images[i]->drawImage(0, 0, decodeJpeg(samples[i]));
        }
    } catch (const imageError &) {
        // Without the encoder the dialog still works; the samples stay blank.
        samples.clear();
        for (imageControl *image : images) image->fill(light.rgb());
    }

    // The row that keeps the original quality, shown for the saves that may (offerOriginalQuality).
    keepOriginalCheckBox = new QCheckBox(tr("元の画質のまま保存（劣化なし）"), this);
    keepOriginalCheckBox->setObjectName(QStringLiteral("keepOriginalCheckBox"));
    keepOriginalCheckBox->setGeometry(8, 180, 324, 20);
    keepOriginalStaticText = new QLabel(this);
    keepOriginalStaticText->setObjectName(QStringLiteral("keepOriginalStaticText"));
    keepOriginalStaticText->setGeometry(26, 200, 306, 34);
    keepOriginalStaticText->setWordWrap(true);
    keepOriginalStaticText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    connect(keepOriginalCheckBox, &QCheckBox::toggled, this, [this](bool keep) {
        for (QWidget *w : std::initializer_list<QWidget *>{jpegQualitTrackBar, StaticText5, jpegQualityStaticText, StaticText6})
            w->setEnabled(!keep);
    });
    offerOriginalQuality(false, false);

    connect(jpegQualitTrackBar, &QSlider::valueChanged, this, &TjpegQualityForm::jpegQualitTrackBarChange);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    jpegQualitTrackBarChange(jpegQualitTrackBar->value());

    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TjpegQualityForm::~TjpegQualityForm()
{
    delete ui;
}

void TjpegQualityForm::offerOriginalQuality(bool offered, bool possible, const QString &whyNot)
{
    // The row (and the note under it) takes a band above the OK button; without it the window
    // has its plain layout.
    const int band = !offered ? 0 : possible ? 28 : 60;
    keepOriginalCheckBox->setVisible(offered);
    keepOriginalStaticText->setVisible(offered && !possible);
    keepOriginalCheckBox->setEnabled(possible);
    keepOriginalCheckBox->setChecked(offered && possible);
    keepOriginalStaticText->setText(whyNot);
    okButton->move(128, 184 + band);
    setFixedSize(340, 217 + band);
}

bool TjpegQualityForm::keepsOriginalQuality() const
{
    return !keepOriginalCheckBox->isHidden() && keepOriginalCheckBox->isEnabled() && keepOriginalCheckBox->isChecked();
}

int TjpegQualityForm::quality() const
{
    return jpegQualitTrackBar->value();
}

void TjpegQualityForm::jpegQualitTrackBarChange(int position)
{
    jpegQualityStaticText->setText(QString::number(position));
}
