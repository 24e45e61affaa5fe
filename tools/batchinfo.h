// korvia-batch info: the "画像情報" page of a picture as text, one line per caption.
#pragma once
#include <QString>

// Loads the picture (as the open command does), reads its EXIF record, and returns the page's
// lines "label value", in the page's order, each ending in a newline. Throws imageError.
QString pictureInfoText(const QString &input);
