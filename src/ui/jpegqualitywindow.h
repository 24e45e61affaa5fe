// The JPEG quality dialog: a track bar 1..100 with the chosen value, and five copies of one small
// photograph stored at rising JPEG qualities so the user sees what the number means. The main
// window owns one instance, so the last choice is the start position next time.
#pragma once
#include <QByteArray>
#include <QDialog>
#include <QList>

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
    // The five sample pictures as stored (JPEG bytes), left to right.
    const QList<QByteArray> &sampleJpegs() const { return samples; }

    // The controls of the form (owned by the dialog).
    imageControl *Image11, *Image12, *Image1, *Image2, *Image3, *Image4, *Image5;
    QLabel *StaticText1, *StaticText2, *StaticText3, *StaticText4, *StaticText5, *StaticText6;
    QLabel *jpegQualityStaticText;
    QSlider *jpegQualitTrackBar;
    QPushButton *okButton;

public slots:
    void jpegQualitTrackBarChange(int position);

private:
    Ui::TjpegQualityForm *ui;
    QList<QByteArray> samples;
};
