// Feeds arbitrary bytes to the EXIF reader as if they were a whole file. Any read outside the
// input, overflow or undefined behaviour is reported by the sanitizers; in addition every text
// the reader produces must stay short (strings are cut to the 256-byte scratch buffer).
#include "imagedata/exifreader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return 0;
    exifReader reader;
    reader.readExifBytes(data, static_cast<std::int32_t>(size), QStringLiteral("fuzz.jpg"));
    const QString *texts[] = {&reader.exifVersion, &reader.makerName, &reader.modelName,
                              &reader.dateTime, &reader.shutterSpeedValue, &reader.apertureValue,
                              &reader.exposureMode, &reader.meteringMode, &reader.isoSpeedRatings,
                              &reader.focalLength, &reader.maxApertureValue, &reader.subjectDistance,
                              &reader.useFlash};
    for (const QString *text : texts)
        if (text->size() > 400) // 255 bytes of a string, or the digits of 2^1023 under fixed(0)
            std::abort();
    if (pictureInfo(1, 1, reader, reader.fileName).size() != 17)
        std::abort();
    if (reader.fileSize != static_cast<std::int32_t>(size))
        std::abort();
    return 0;
}
