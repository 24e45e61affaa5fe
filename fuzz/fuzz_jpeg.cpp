// JPEG files of any content through loadImageFile (see fuzz_picture.h), with their EXIF
// orientation, camera record, XMP and colour profile.
#include "fuzz_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return fuzzPictureFile(data, size, ".jpg");
}
