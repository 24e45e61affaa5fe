// One slot of the open-images list: the picture it owns (an imageDocument), the three captions
// that show its file name, width and height, and its 70 x 70 thumbnail. Widget-free: the window
// hands it caption and picture targets.
#pragma once
#include "controlrefs.h"

#include <functional>
#include <memory>

class imageDocument;

class myEditingElement {
public:
    myEditingElement(textTarget *fileNameText, textTarget *widthText, textTarget *heightText,
                     pictureTarget *thumbnailImage);
    ~myEditingElement();
    myEditingElement(const myEditingElement &) = delete;
    myEditingElement &operator=(const myEditingElement &) = delete;

    textTarget *fileNameText;
    textTarget *widthText;
    textTarget *heightText;
    pictureTarget *thumbnailImage;
    std::unique_ptr<imageDocument> document; // owned while isEmpty is false
    bool isEmpty = true;
    // Turns a thumbnail into the colours it is shown in (the window converts from the picture's
    // profile to sRGB); empty: shown as it is.
    std::function<void(const imageDocument &, QImage &)> forDisplay;

    // Empty captions, white thumbnail; destroys the picture the slot holds (if any).
    void clearElement();
    // Takes ownership of an opened document and shows it.
    void setDocument(std::unique_ptr<imageDocument> newDocument);
    // Redraws the thumbnail and the captions from the document.
    void refreshElement();
    // Moves the picture of source into this slot (destroying this slot's own picture first)
    // and leaves source empty.
    void moveElement(myEditingElement &source);
};

// Draws picture onto canvas with its top-left corner at (x, y), clipped to the canvas; only the
// blue, green and red bytes are copied.
void drawBitmapAt(QImage &canvas, const QImage &picture, int x, int y);
