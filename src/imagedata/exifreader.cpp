#include "exifreader.h"

// Placeholders until the decoder lands.
bool exifReader::readExif(const QString &) { return false; }
void exifReader::readExifBytes(const std::uint8_t *, std::int32_t, const QString &) {}
bool exifReader::findExifHeader(const std::uint8_t *) { return false; }
bool exifReader::decodeExif(const std::uint8_t *) { return false; }
bool exifReader::readInteger(const std::uint8_t *, std::int64_t, int, std::int32_t &) const { return false; }
bool exifReader::readString(const std::uint8_t *, std::int64_t, std::int64_t, QString &) const { return false; }
bool exifReader::readRational(const std::uint8_t *, std::int64_t, double &) const { return false; }
std::int64_t exifReader::findBytes(const std::uint8_t *, std::int64_t, const std::uint8_t *, int,
                                   std::int64_t) const { return -1; }
QString fixedText(double, int) { return QString(); }
std::vector<pictureInfoLine> pictureInfo(int, int, const exifReader &, const QString &) { return {}; }
