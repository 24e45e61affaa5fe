// JPEG files turned, mirrored and trimmed without a new generation of loss: when a picture's only
// changes since its JPEG was read are quarter and half turns, mirrors and trims whose left and top
// edges lie on the block grid, the file written is made from the stored blocks (the quantised DCT
// coefficients) through libjpeg-turbo's transform API, as `jpegtran -perfect` (and `-crop`) would
// make it. The whole chain, together with the move the file's EXIF orientation asks for, is one of
// the eight moves of whole pixels on one kept part of the stored picture.
//
// Edges that are not whole blocks are refused, as `jpegtran -perfect` refuses them: a move that
// would bring a partial block to the top or the left, a trim whose left or top edge is off the
// grid. The caller then encodes the picture's pixels as before; nothing is ever cut silently.
#pragma once
#include "picturemetadata.h"
#include "quarterturns.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>

// How the picture as it is now comes from the stored picture of a JPEG file: `turn` applied to
// the part `kept` of it. Default-constructed, nothing is known (no JPEG, or another change).
struct losslessEdits {
    bool known = false;             // false: the picture cannot be made from the file's blocks
    QSize stored;                   // the stored picture's size
    QSize block;                    // its iMCU: 8 or 16 pixels a side (32 for 4:1:1)
    QRect kept;                     // the part kept, in stored pixels
    pixelTurn turn = pixelTurn::none;

    // The picture as the window and korvia-batch show the JPEG file `jpeg`: upright by its EXIF
    // orientation. Unknown when the header cannot be read, the transform API cannot handle the
    // file's sampling, or the file holds inks (CMYK, YCCK).
    static losslessEdits ofJpeg(const QByteArray &jpeg);

    // The picture as it is now.
    QSize shownSize() const;
    // The same chain followed by a move of the whole picture (a quarter or half turn, a mirror).
    losslessEdits then(pixelTurn next) const;
    // The same chain followed by a trim keeping columns left..right and rows top..bottom of the
    // picture as it is now (edges limited to it, as the transform engine limits them).
    losslessEdits trimmed(int left, int top, int right, int bottom) const;
    // Whether losslessJpeg can make the picture exactly: the chain is known and its moves and
    // trims fall on whole blocks.
    bool exact() const;
};

// The one move of the two made one after the other (first, then `next` on its result).
pixelTurn composedTurn(pixelTurn first, pixelTurn next);

// The JPEG file of the picture the edits describe, made from the blocks of `jpeg`, with the
// records of `metadata` for it as every JPEG save writes them (orientation 1, the new sizes, no
// thumbnail), its Huffman tables made for its blocks (progressive when the file was). Empty when
// the picture cannot be made exactly this way (edges off the block grid,
// a file the transform API refuses): the caller then encodes the pixels.
QByteArray losslessJpeg(const QByteArray &jpeg, const losslessEdits &edits, const pictureMetadata &metadata);

// The JPEG file a save writes: made from the blocks of `stored` when it is given and the edits
// allow it (losslessJpeg), else the picture encoded at quality with metadata's records, as every
// JPEG save writes it. Throws imageError when the picture cannot be encoded.
QByteArray savedJpegFile(const QImage &picture, int quality, const pictureMetadata &metadata, const QByteArray &stored,
                         const losslessEdits &edits);

// The records of a JPEG file as the reader keeps them (picturemetadata.h), from the segments before
// its first scan, without decoding anything.
pictureMetadata jpegRecordsOf(const QByteArray &jpeg);

// The bytes of a JPEG file: the segments inserted after the header (after SOI, and after a JFIF
// APP0 segment right behind it), where the encoder puts them; one too large for a segment is left
// out, as the encoder leaves it out. Throws imageError when the bytes do not start a JPEG file.
QByteArray withSegments(const QByteArray &jpeg, const std::vector<metadataSegment> &segments);
