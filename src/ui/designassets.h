// The program's own pictures, drawn with QPainter at start-up: the flower photograph of the JPEG
// quality dialog, its two arrows, the About box picture and the tool-bar icons.
#pragma once
#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QString>

class QMainWindow;
class QWidget;

// A small photograph-like flower (petals with gradients, a leafy background and a fine grain so
// that the JPEG quality shows), Format_RGB32, width x height. Always the same picture.
QImage flowerPhoto(int width = 60, int height = 60);

// The qualities of the dialog's five samples, left to right.
const QList<int> &sampleQualities();

// flowerPhoto() stored as JPEG at each of sampleQualities(), in that order.
QList<QByteArray> flowerSampleJpegs();

// A grey arrow pointing left (towards low quality) or right, on the given background.
QImage qualityArrow(bool pointsRight, int width, int height, QRgb background);

// The About box picture (326 x 230): the program's name, a stylised lens and leaf and the version.
QImage aboutPicture(int width = 326, int height = 230);

// The tool-bar icon for a button's objectName ("fileOpenButton", "saveSpeedButton", ...); a null
// icon for names without one.
QIcon toolButtonIcon(const QString &objectName);

// Gives every tool button under root that has an icon its icon (the text stays as a fallback).
void installToolBarIcons(QWidget *root);

// What the main window's form file cannot carry: the tool-bar icons above and the status bar's one
// panel, a 50-pixel QLabel named "StatusBar1Panel1". Safe to call more than once.
void decorateMainWindow(QMainWindow *window);
