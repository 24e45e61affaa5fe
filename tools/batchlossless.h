// korvia-batch apply from a JPEG's stored blocks: when every step is a quarter or half turn, a
// mirror or a trim on the block grid and the output is a JPEG, the output is made from the
// input's blocks (imagedata/losslessjpeg.h) and loses nothing, instead of decoding the picture
// and encoding it again.
#pragma once
#include "applyrequest.h"

// Writes request.output from the input's blocks and returns true when the request allows it: no
// --reencode, a JPEG output, a JPEG input (by its bytes), at least one step, every step a move or
// a trim whose edges fall on whole blocks (with the input's EXIF orientation before them).
// Otherwise returns false and writes nothing. A step that does not fit the picture throws as it
// does on the other path (operationError, imageError).
bool applyLosslessly(const applyRequest &request);
