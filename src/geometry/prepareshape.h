// The front end of the geometric transforms: owns the engine, carries the resize targets and the
// background colour, takes the transform code the window chose, decides the result size of a
// commit and makes the preview on the sample bitmap.
#pragma once
#include "shapeexecute.h"

#include <QImage>
#include <QSize>
#include <cstdint>
#include <memory>
#include <optional>

class prepareShape {
public:
    prepareShape();
    ~prepareShape();

    std::uint32_t backgroundColor = 50u | (50u << 8) | (50u << 16); // packed red 50, green 50, blue 50
    std::unique_ptr<shapeExecute> engine;
    std::int32_t targetWidth = 0;  // resize result width
    std::int32_t targetHeight = 0; // resize result height
    double verticalPercent = 100.0;
    double horizontalPercent = 100.0;

    // The transform the commit and the preview make: written into the engine's shapeType and
    // returned.
    std::uint32_t chooseShape(std::uint32_t code);

    // The commit's result size for a W × H picture and the engine's current code and parameters.
    // Trimming edges beyond the picture are limited to it first.
    QSize shapedSize(int width, int height) const;
    // Throws imageError when the commit would turn a W × H picture into one larger than the largest
    // picture the readers open (maxPicturePixels pixels): it is refused before any work or memory.
    void checkShapedSize(int width, int height) const;
    // The commit: a new bitmap of shapedSize (fourth bytes 0xFF), filled by executeShape. A null
    // image when there is nothing to replace the picture with: a code outside 0..11, or a size below
    // 1 × 1 (a resize to 0 pixels). Throws imageError for a result above the size limit
    // (checkShapedSize) and std::bad_alloc when the bitmap cannot be made.
    QImage makeShapedBitmap(const QImage &picture);
    // The commit made on the picture itself where the code only moves its pixels within its own
    // size (the mirrors, the half turn): no second picture is made (a picture shared with another
    // QImage is copied once by Qt first). The bytes are those of makeShapedBitmap, fourth bytes
    // 0xFF. Returns false with the picture untouched for the other codes and for a picture not in
    // Format_RGB32; the caller then uses makeShapedBitmap.
    bool shapeInPlace(QImage &picture);
    // The preview on the sample, or nothing (unknown code, resize with a percentage not above 0).
    std::optional<QImage> makePreviewBitmap(const QImage &sample);
};
