// The vector paths of the transform engine.
#include "shaperules.h"

bool moveVector(const shapeExecute &, const QImage &, QImage &) { return false; }

bool resampleVector(const resampleRule &, const QImage &, QImage &, std::uint32_t, const progressIndicator *)
{
    return false;
}
