// The JPEG quality dialog: a track bar 1..100 with the chosen value, and five copies of one small
// photograph stored at rising JPEG qualities so the user sees what the number means. The main
// window owns one instance, so the last choice is the start position next time.
#pragma once
#include "ui_jpegqualityform.h"

#include <QByteArray>
#include <QDialog>
#include <QList>

class TjpegQualityForm : public QDialog, public Ui::TjpegQualityForm {
    Q_OBJECT
public:
    explicit TjpegQualityForm(QWidget *parent = nullptr);

    int quality() const { return jpegQualitTrackBar->value(); }
    // The five sample pictures as stored (JPEG bytes), left to right.
    const QList<QByteArray> &sampleJpegs() const { return samples; }

public slots:
    void jpegQualitTrackBarChange(int position);

private:
    QList<QByteArray> samples;
};
