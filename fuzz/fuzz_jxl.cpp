// JPEG XL files of any content (bare codestreams and containers) through loadImageFile (see
// fuzz_picture.h), with the records they carry for a save.
#include "fuzz_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return fuzzPictureFile(data, size, ".jxl");
}
