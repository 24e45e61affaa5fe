#include "myeditingelement.h"

#include "imagedata/imagedocument.h"
#include "imagedata/myimagearray.h"

#include <algorithm>
#include <cstring>

namespace {
const QRgb white = 0xFFFFFFFF;
}

void drawBitmapAt(QImage &canvas, const QImage &picture, int x, int y)
{
    if (canvas.isNull() || picture.isNull()) return;
    const int left = std::max(0, x);
    const int right = std::min(canvas.width(), x + picture.width());   // exclusive
    const int top = std::max(0, y);
    const int bottom = std::min(canvas.height(), y + picture.height()); // exclusive
    if (left >= right || top >= bottom) return;
    for (int row = top; row < bottom; ++row) {
        const uchar *from = picture.constScanLine(row - y) + (left - x) * 4;
        uchar *to = canvas.scanLine(row) + left * 4;
        for (int column = left; column < right; ++column, from += 4, to += 4) {
            to[0] = from[0];
            to[1] = from[1];
            to[2] = from[2];
        }
    }
}

myEditingElement::myEditingElement(textTarget *fileNameText, textTarget *widthText,
                                   textTarget *heightText, pictureTarget *thumbnailImage)
    : fileNameText(fileNameText), widthText(widthText), heightText(heightText),
      thumbnailImage(thumbnailImage)
{
}

myEditingElement::~myEditingElement() = default;

void myEditingElement::clearElement()
{
    fileNameText->setCaption(QString());
    widthText->setCaption(QString());
    heightText->setCaption(QString());
    thumbnailImage->canvas().fill(white);
    thumbnailImage->canvasChanged();
    if (!isEmpty) document.reset();
    isEmpty = true;
}

void myEditingElement::setDocument(std::unique_ptr<imageDocument> newDocument)
{
    if (!newDocument) return;
    document = std::move(newDocument);
    isEmpty = false;
    refreshElement();
}

void myEditingElement::refreshElement()
{
    if (isEmpty || !document) return;
    QImage &canvas = thumbnailImage->canvas();
    const QImage &picture = document->bitmap;
    canvas.fill(white);
    // A picture without pixels (an unknown file type) has nothing to fit: the thumbnail stays
    // white instead of dividing by a zero size.
    if (picture.width() > 0 && picture.height() > 0 && canvas.width() > 0 && canvas.height() > 0) {
        rectangle target{0, 0, canvas.width() - 1, canvas.height() - 1};
        fitRect(0, 0, picture.width() - 1, picture.height() - 1, target);
        QImage thumbnail(target.right - target.left + 1, target.bottom - target.top + 1,
                         QImage::Format_RGB32);
        if (!thumbnail.isNull()) {
            thumbnail.fill(white);
            stretchCopy(picture, thumbnail);
            if (forDisplay) forDisplay(*document, thumbnail);
            drawBitmapAt(canvas, thumbnail, target.left, target.top);
        }
    }
    thumbnailImage->canvasChanged();
    fileNameText->setCaption(document->name);
    widthText->setCaption(QString::number(picture.width()));
    heightText->setCaption(QString::number(picture.height()));
}

void myEditingElement::moveElement(myEditingElement &source)
{
    if (&source == this) return;
    clearElement();
    QImage &to = thumbnailImage->canvas();
    const QImage &from = source.thumbnailImage->canvas();
    drawBitmapAt(to, from, 0, 0);
    document = std::move(source.document);
    isEmpty = !document;
    source.isEmpty = true;
    refreshElement();
    source.clearElement();
}
