// The program's fonts. The forms ask for Tahoma; on Linux that is rarely installed, and most
// Latin fonts carry no Japanese glyphs, so the program picks a family that has them at start-up
// and every form falls back to it.
#pragma once
#include <QFont>
#include <QString>

// The best installed family with Japanese glyphs (the proportional "IPAPGothic", which fits the
// forms' narrow captions best, then "IPAGothic", "Noto Sans CJK JP", then any family that lists the
// Japanese writing system); empty when there is none.
QString japaneseFontFamily();

// A font of the given pixel height in preferredFamily when that family is installed, with
// japaneseFontFamily() behind it for the glyphs it lacks; only the Japanese family otherwise.
QFont formFont(const QString &preferredFamily, int pixelSize);

// Sets the application font: the Japanese family at 11 pixels (the forms' Tahoma 11 px).
void installApplicationFont();
