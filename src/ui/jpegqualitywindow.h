// The JPEG quality dialog: a track bar 1..100 with the chosen value, and five copies of one small
// photograph stored at rising JPEG qualities so the user sees what the number means. The main
// window owns one instance, so the last choice is the start position next time.
#pragma once
#include <QByteArray>
#include <QDialog>
#include <QList>

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;
class imageControl;
namespace Ui {
class TjpegQualityForm;
}

class TjpegQualityForm : public QDialog {
    Q_OBJECT
public:
    explicit TjpegQualityForm(QWidget *parent = nullptr);
    ~TjpegQualityForm() override;

    int quality() const;
    // Before a JPEG save: whether the row "元の画質のまま保存（劣化なし）" shows, and whether the
    // picture can be written from its file's stored blocks. Offered and possible, the box is
    // ticked (the quality controls rest while it is); offered but not possible, the box is shown
    // disabled and unticked with whyNot below it, and the quality is asked as always. Not offered
    // (a picture from no JPEG file, another format), the window has its plain size.
    void offerOriginalQuality(bool offered, bool possible, const QString &whyNot = QString());
    // Ticked and possible: the save writes the stored blocks.
    bool keepsOriginalQuality() const;
    // The five sample pictures as stored (JPEG bytes), left to right.
    const QList<QByteArray> &sampleJpegs() const { return samples; }

    // The controls of the form (owned by the dialog).
    imageControl *Image11, *Image12, *Image1, *Image2, *Image3, *Image4, *Image5;
    QLabel *StaticText1, *StaticText2, *StaticText3, *StaticText4, *StaticText5, *StaticText6;
    QLabel *jpegQualityStaticText;
    QSlider *jpegQualitTrackBar;
    QPushButton *okButton;
    QCheckBox *keepOriginalCheckBox;
    QLabel *keepOriginalStaticText;

public slots:
    void jpegQualitTrackBarChange(int position);

private:
    Ui::TjpegQualityForm *ui;
    QList<QByteArray> samples;
};
