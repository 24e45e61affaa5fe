#include "exifreader.h"
#include "imagedata/texts.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace {

// Every value is copied through a buffer of this size; a string keeps room for its zero byte.
constexpr std::int64_t scratchSize = 256;

const std::uint8_t soiPattern[2] = {0xFF, 0xD8};
const std::uint8_t app1Pattern[2] = {0xFF, 0xE1};
const std::uint8_t exifPattern[6] = {'E', 'x', 'i', 'f', 0, 0};

// The texts of the tables below, by value.
QString exposureProgramText(std::int32_t value)
{
    switch (value) {
    case 1: return imageTexts::tr("マニュアル");
    case 2: return imageTexts::tr("通常のプログラム");
    case 3: return imageTexts::tr("絞り優先");
    case 4: return imageTexts::tr("シャッター速度優先");
    case 5: return imageTexts::tr("低速プログラム");
    case 6: return imageTexts::tr("高速プログラム");
    case 7: return imageTexts::tr("ポートレートモード");
    case 8: return imageTexts::tr("風景モード");
    default: return imageTexts::tr("不明");
    }
}

QString meteringModeText(std::int32_t value)
{
    switch (value) {
    case 1: return imageTexts::tr("平均測光");
    case 2: return imageTexts::tr("中央重点");
    case 3: return imageTexts::tr("スポット");
    case 4: return imageTexts::tr("多点スポット");
    case 5: return imageTexts::tr("マルチセグメント");
    case 6: return imageTexts::tr("部分測光");
    case 255: return imageTexts::tr("その他");
    default: return imageTexts::tr("不明");
    }
}

// Flash value already masked with 0x19; an empty result means "keep the earlier text".
QString flashText(std::int32_t masked)
{
    switch (masked) {
    case 0: return imageTexts::tr("非発光");
    case 1: return imageTexts::tr("発光");
    case 9: return imageTexts::tr("強制発光");
    case 16: return imageTexts::tr("発光禁止");
    case 24: return imageTexts::tr("非発光(オートモード）");
    case 25: return imageTexts::tr("発光(オートモード）");
    default: return QString();
    }
}

// Bytes up to the first zero byte (or all of them) as text.
QString bytesText(const std::uint8_t *bytes, std::int64_t length)
{
    const void *zero = length > 0 ? std::memchr(bytes, 0, static_cast<std::size_t>(length)) : nullptr;
    if (zero)
        length = static_cast<const std::uint8_t *>(zero) - bytes;
    return QString::fromUtf8(reinterpret_cast<const char *>(bytes), static_cast<qsizetype>(length));
}

} // namespace

QString fixedText(double value, int decimals)
{
    if (decimals < 0)
        decimals = 0;
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");

    // The exact decimal expansion of the binary value: a double whose last bit weighs 2^-k has
    // exactly k fractional decimal digits (at most 1074), so printing that many rounds nothing.
    const bool negative = std::signbit(value);
    int exponent2 = 0;
    std::frexp(value, &exponent2); // |value| = f * 2^exponent2, 0.5 <= f < 1; last bit 2^(exponent2 - 53)
    const int exactDigits = std::clamp(53 - exponent2, 0, 1074);
    std::string text(static_cast<std::size_t>(exactDigits) + 320, '\0');
    const int written = std::snprintf(text.data(), text.size(), "%.*f", exactDigits, std::fabs(value));
    text.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    const std::size_t point = text.find('.');
    const std::string integerPart = text.substr(0, point);
    const std::string fractionPart = point == std::string::npos ? std::string() : text.substr(point + 1);

    // Leading '0' leaves room for a carry out of the top digit.
    std::string digits = "0" + integerPart + fractionPart;
    const std::int64_t integerLength = static_cast<std::int64_t>(integerPart.size()) + 1;

    // Decimal exponent of the leading significant digit (position of the first non-zero digit).
    std::int64_t first = -1;
    for (std::size_t i = 0; i < digits.size(); ++i)
        if (digits[i] != '0') {
            first = static_cast<std::int64_t>(i);
            break;
        }

    std::int64_t roundDecimals = decimals;
    if (first >= 0) {
        const std::int64_t exponent = integerLength - 1 - first;     // 10^exponent
        roundDecimals = std::min<std::int64_t>(decimals, 3 - exponent); // four significant digits
    }

    // Keep the digits up to the rounding position, then round half away from zero: only the
    // first dropped digit decides, since the expansion is exact.
    const std::int64_t kept = integerLength + roundDecimals; // digits of `digits` that stay
    std::string rounded(static_cast<std::size_t>(std::max<std::int64_t>(integerLength, 0)) + decimals, '0');
    // rounded holds integerLength integer digits followed by `decimals` fractional digits.
    if (kept > 0) {
        for (std::int64_t i = 0; i < kept && i < static_cast<std::int64_t>(digits.size()); ++i)
            rounded[static_cast<std::size_t>(i)] = digits[static_cast<std::size_t>(i)];
        const bool up = kept < static_cast<std::int64_t>(digits.size()) &&
                        digits[static_cast<std::size_t>(kept)] >= '5';
        if (up) {
            std::int64_t i = kept - 1;
            while (i >= 0 && rounded[static_cast<std::size_t>(i)] == '9') {
                rounded[static_cast<std::size_t>(i)] = '0';
                --i;
            }
            if (i >= 0) // always true: the leading '0' absorbs the last carry
                ++rounded[static_cast<std::size_t>(i)];
        }
    }
    // A value smaller than half the rounding step rounds to zero and keeps all '0'.

    std::string integerDigits = rounded.substr(0, static_cast<std::size_t>(integerLength));
    const std::string fractionDigits = rounded.substr(static_cast<std::size_t>(integerLength));
    const std::size_t nonZero = integerDigits.find_first_not_of('0');
    integerDigits = nonZero == std::string::npos ? std::string("0") : integerDigits.substr(nonZero);

    // Values of 10000 and more keep plain notation: their rounded integer digits are written
    // in full (12345.6 with no decimals is "12350"), never in scientific notation.
    std::string out;
    const bool isZero = integerDigits == "0" && fractionDigits.find_first_not_of('0') == std::string::npos;
    if (negative && !isZero)
        out += '-';
    out += integerDigits;
    if (decimals > 0) {
        out += '.';
        out += fractionDigits;
    }
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

bool exifReader::readExif(const QString &path)
{
    QFile file(path);
    const bool exists = file.exists();
    if (!file.open(QIODevice::ReadOnly))
        return exists;
    // fileSize is 32-bit: a larger file is searched in its first 2 GiB only.
    const qint64 size = std::min<qint64>(file.size(), std::numeric_limits<std::int32_t>::max() - 1);
    QByteArray bytes;
    if (size > 0)
        bytes = file.read(size);
    file.close();
    readExifBytes(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                  static_cast<std::int32_t>(bytes.size()), QFileInfo(path).fileName());
    return exists;
}

void exifReader::readPictureExif(const QString &path, int type, const pictureMetadata &metadata)
{
    if (type <= 2) {
        readExif(path);
        return;
    }
    // The smallest JPEG stream holding the record: start of image, then its APP1 segment.
    const QByteArray payload = metadata.exifPayload();
    QByteArray stream("\xFF\xD8\xFF\xE1", 4);
    const qsizetype length = std::min<qsizetype>(payload.size() + 8, 0xFFFF);
    stream.append(char(length >> 8));
    stream.append(char(length & 0xFF));
    stream.append("Exif\0\0", 6);
    stream.append(payload);
    readExifBytes(reinterpret_cast<const std::uint8_t *>(stream.constData()), payload.isEmpty() ? 0 : std::int32_t(stream.size()),
                  QFileInfo(path).fileName());
}

void exifReader::readExifBytes(const std::uint8_t *data, std::int32_t size, const QString &name)
{
    if (!data || size < 0)
        size = 0;
    fileSize = size;
    fileName = name;
    if (size == 0)
        return;
    if (findExifHeader(data))
        decodeExif(data);
}

std::int64_t exifReader::findBytes(const std::uint8_t *buffer, std::int64_t size, const std::uint8_t *pattern,
                                   int length, std::int64_t start) const
{
    // Start positions below fileSize - length only (and never past the buffer's own size).
    const std::int64_t limit = std::min<std::int64_t>(fileSize, size) - length;
    if (length <= 0 || start < 0)
        return -1;
    for (std::int64_t p = start; p < limit; ++p) {
        const void *hit = std::memchr(buffer + p, pattern[0], static_cast<std::size_t>(limit - p));
        if (!hit)
            return -1;
        p = static_cast<const std::uint8_t *>(hit) - buffer;
        if (std::memcmp(buffer + p, pattern, static_cast<std::size_t>(length)) == 0)
            return p;
    }
    return -1;
}

bool exifReader::findExifHeader(const std::uint8_t *buffer)
{
    const std::int64_t soi = findBytes(buffer, fileSize, soiPattern, 2, 0);
    if (soi < 0)
        return false;
    const std::int64_t app1 = findBytes(buffer, fileSize, app1Pattern, 2, soi);
    if (app1 < 0)
        return false;
    app1Offset = static_cast<std::int32_t>(app1);
    // The marker text is looked for from the start of the picture, not from the segment.
    return findBytes(buffer, fileSize, exifPattern, 6, soi) >= 0;
}

bool exifReader::readInteger(const std::uint8_t *buffer, std::int64_t position, int n, std::int32_t &value) const
{
    if (n != 2 && n != 4)
        return false;
    if (position < 0 || position + n + 4 > fileSize)
        return false;
    std::uint8_t scratch[4];
    std::memcpy(scratch, buffer + position, static_cast<std::size_t>(n));
    std::uint32_t assembled = 0;
    for (int i = 0; i < n; ++i) {
        const std::uint8_t byte = byteOrder == 0 ? scratch[n - 1 - i] : scratch[i];
        assembled = (assembled << 8) | byte;
    }
    // Two bytes give 0..65535, four bytes a signed 32-bit value.
    value = static_cast<std::int32_t>(assembled);
    return true;
}

bool exifReader::readString(const std::uint8_t *buffer, std::int64_t position, std::int64_t count,
                            QString &text) const
{
    if (position < 0 || position + 8 > fileSize || count < 0)
        return false;
    std::uint8_t scratch[scratchSize];
    std::int64_t length = std::min<std::int64_t>(count, scratchSize - 1);
    if (count <= 4) {
        // A value of four bytes or fewer stands in the value field itself.
        std::memcpy(scratch, buffer + position, static_cast<std::size_t>(length));
    } else {
        std::int32_t offset = 0;
        if (!readInteger(buffer, position, 4, offset) || offset < 0)
            return false;
        const std::int64_t start = static_cast<std::int64_t>(tiffOffset) + offset;
        length = std::max<std::int64_t>(0, std::min<std::int64_t>(length, fileSize - start));
        if (length > 0)
            std::memcpy(scratch, buffer + start, static_cast<std::size_t>(length));
    }
    scratch[length] = 0;
    text = bytesText(scratch, length);
    return true;
}

bool exifReader::readRational(const std::uint8_t *buffer, std::int64_t position, double &value) const
{
    if (position < 0 || position + 8 > fileSize)
        return false;
    std::int32_t offset = 0;
    if (!readInteger(buffer, position, 4, offset) || offset < 0)
        return false;
    const std::int64_t start = static_cast<std::int64_t>(tiffOffset) + offset;
    if (start + 8 > fileSize)
        return false;
    // Both halves are read straight from the file, byte order applied, without the reader's
    // look-ahead margin: the rational may end exactly at the end of the file.
    auto word = [&](std::int64_t at) {
        std::uint32_t assembled = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t byte = byteOrder == 0 ? buffer[at + 3 - i] : buffer[at + i];
            assembled = (assembled << 8) | byte;
        }
        return static_cast<std::int32_t>(assembled);
    };
    const std::int32_t numerator = word(start);
    const std::int32_t denominator = word(start + 4);
    if (denominator == 0) {
        value = std::numeric_limits<double>::quiet_NaN(); // no value: the caller keeps its text
        return true;
    }
    value = static_cast<double>(numerator) / static_cast<double>(denominator);
    return true;
}

bool exifReader::decodeExif(const std::uint8_t *buffer)
{
    // Taken in 64 bits: a marker near the 2 GiB limit must not wrap the offset round.
    const std::int64_t tiff = static_cast<std::int64_t>(app1Offset) + 10;
    tiffOffset = static_cast<std::int32_t>(std::min<std::int64_t>(tiff, std::numeric_limits<std::int32_t>::max()));
    byteOrder = -1;
    if (tiff + 4 > fileSize)
        return false;
    if (buffer[tiff] == 'M' && buffer[tiff + 1] == 'M')
        byteOrder = 1;
    else if (buffer[tiff] == 'I' && buffer[tiff + 1] == 'I')
        byteOrder = 0;
    else
        return false;
    const bool magicOk = byteOrder == 0 ? (buffer[tiff + 2] == 0x2A && buffer[tiff + 3] == 0x00)
                                        : (buffer[tiff + 2] == 0x00 && buffer[tiff + 3] == 0x2A);
    if (!magicOk)
        return false;

    std::int32_t ifd0 = 0;
    if (!readInteger(buffer, tiff + 4, 4, ifd0) || ifd0 < 0)
        return false;
    const std::int64_t ifd0Start = tiff + ifd0;
    if (!readInteger(buffer, ifd0Start, 2, entryCount))
        return false;

    bool hasSubIfd = false;
    std::int32_t subIfd = 0;
    for (std::int64_t k = 0; k < entryCount; ++k) {
        const std::int64_t p = ifd0Start + 2 + 12 * k;
        std::int32_t tag = 0, count = 0;
        if (!readInteger(buffer, p, 2, tag) || !readInteger(buffer, p + 4, 4, count))
            return false;
        QString *target = nullptr;
        switch (tag) {
        case 271: target = &makerName; break;
        case 272: target = &modelName; break;
        case 306: target = &dateTime; break;
        case 34665:
            if (!readInteger(buffer, p + 8, 4, subIfd))
                return false;
            hasSubIfd = true;
            break;
        default: break;
        }
        if (target) {
            QString text;
            if (!readString(buffer, p + 8, count, text))
                return false;
            *target = text;
        }
    }

    if (!hasSubIfd || subIfd < 0)
        return false;
    const std::int64_t subStart = tiff + subIfd;
    if (!readInteger(buffer, subStart, 2, entryCount))
        return false;

    for (std::int64_t k = 0; k < entryCount; ++k) {
        const std::int64_t p = subStart + 2 + 12 * k;
        const std::int64_t field = p + 8;
        std::int32_t tag = 0, count = 0;
        if (!readInteger(buffer, p, 2, tag) || !readInteger(buffer, p + 4, 4, count))
            return false;
        double v = 0;
        std::int32_t n = 0;
        // Rationals that give no finite value (denominator 0, overflowing powers) leave the
        // text as it was.
        auto rational = [&](auto &&apply) {
            if (!readRational(buffer, field, v))
                return false;
            if (std::isfinite(v))
                apply();
            return true;
        };
        auto finite = [](double x) { return std::isfinite(x); };
        // An APEX aperture value v is the f-number sqrt(2^v).
        auto apexAperture = [&](QString &text) {
            return rational([&] {
                const double f = std::sqrt(std::pow(2.0, v));
                if (finite(f))
                    text = QStringLiteral("F ") + fixedText(f, 1);
            });
        };
        bool ok = true;
        switch (tag) {
        case 33434: // ExposureTime
            ok = rational([&] {
                if (v != 0 && finite(1 / v))
                    shutterSpeedValue = QStringLiteral("1/") + fixedText(1 / v, 0) + imageTexts::tr(" 秒");
            });
            break;
        case 33437: // FNumber
            ok = rational([&] { apertureValue = QStringLiteral("F ") + fixedText(v, 1); });
            break;
        case 34850: // ExposureProgram
            ok = readInteger(buffer, field, 2, n);
            if (ok)
                exposureMode = exposureProgramText(n);
            break;
        case 34855: // ISOSpeedRatings
            ok = readInteger(buffer, field, 2, n);
            if (ok)
                isoSpeedRatings = QString::number(n);
            break;
        case 36864: { // ExifVersion: the value field's own bytes
            if (field + 8 > fileSize || count < 0) {
                ok = false;
                break;
            }
            const std::int64_t length = std::min<std::int64_t>(count, 4);
            std::uint8_t scratch[8] = {};
            std::memcpy(scratch, buffer + field, static_cast<std::size_t>(length));
            exifVersion = bytesText(scratch, length);
            break;
        }
        case 37377: // ShutterSpeedValue (APEX)
            ok = rational([&] {
                const double t = std::pow(2.0, v);
                if (finite(t))
                    shutterSpeedValue = QStringLiteral("1/") + fixedText(t, 0) + imageTexts::tr(" 秒");
            });
            break;
        case 37378: // ApertureValue (APEX)
            ok = apexAperture(apertureValue);
            break;
        case 37381: // MaxApertureValue (APEX)
            ok = apexAperture(maxApertureValue);
            break;
        case 37382: // SubjectDistance
            ok = rational([&] { subjectDistance = fixedText(v, 0) + QStringLiteral(" m"); });
            break;
        case 37383: // MeteringMode
            ok = readInteger(buffer, field, 2, n);
            if (ok)
                meteringMode = meteringModeText(n);
            break;
        case 37385: { // Flash
            ok = readInteger(buffer, field, 2, n);
            if (ok) {
                const QString text = flashText(n & 0x19);
                if (!text.isEmpty())
                    useFlash = text;
            }
            break;
        }
        case 37386: // FocalLength
            ok = rational([&] { focalLength = fixedText(v, 0) + QStringLiteral(" mm"); });
            break;
        default: break;
        }
        if (!ok)
            return false;
    }
    return true;
}

std::vector<pictureInfoLine> pictureInfo(int width, int height, const exifReader &exif, const QString &name)
{
    const QString pixel = QStringLiteral("  pixel");
    // The product is taken in 64 bits so a huge picture cannot overflow the count.
    const qint64 pixels = static_cast<qint64>(width) * static_cast<qint64>(height);
    return {
        {QT_TRANSLATE_NOOP("imageTexts", "幅　："), "widthStaticText", QString::number(width) + pixel},
        {QT_TRANSLATE_NOOP("imageTexts", "高さ　："), "heightStaticText", QString::number(height) + pixel},
        {QT_TRANSLATE_NOOP("imageTexts", "画素数　："), "pixelsStaticText", QString::number(pixels) + pixel},
        {QT_TRANSLATE_NOOP("imageTexts", "Exifバージョン　："), "exifVersionStaticText", exif.exifVersion},
        {QT_TRANSLATE_NOOP("imageTexts", "メーカー名　："), "makerNameStaticText", exif.makerName},
        {QT_TRANSLATE_NOOP("imageTexts", "機種名　："), "modelNameStaticText", exif.modelName},
        {QT_TRANSLATE_NOOP("imageTexts", "撮影日時　："), "dateTimeStaticText", exif.dateTime},
        {QT_TRANSLATE_NOOP("imageTexts", "シャッター速度："), "shutterSpeedValueStaticText", exif.shutterSpeedValue},
        {QT_TRANSLATE_NOOP("imageTexts", "絞り　："), "apertureValueStaticText", exif.apertureValue},
        {QT_TRANSLATE_NOOP("imageTexts", "露出モード　："), "exposureModeStaticText", exif.exposureMode},
        {QT_TRANSLATE_NOOP("imageTexts", "測光モード　："), "meteringModeStaticText", exif.meteringMode},
        {QT_TRANSLATE_NOOP("imageTexts", "ISO感度　："), "ISOSpeedRatingsStaticText", exif.isoSpeedRatings},
        {QT_TRANSLATE_NOOP("imageTexts", "焦点距離　："), "FocalLengthStaticText", exif.focalLength},
        {QT_TRANSLATE_NOOP("imageTexts", "開放F値　："), "maxApertureValueStaticText", exif.maxApertureValue},
        {QT_TRANSLATE_NOOP("imageTexts", "撮影距離　："), "subjectDistanceStaticText", exif.subjectDistance},
        {QT_TRANSLATE_NOOP("imageTexts", "フラッシュ　："), "useFlashStaticText", exif.useFlash},
        {QT_TRANSLATE_NOOP("imageTexts", "ファイル名　："), "fileNameStaticText", name},
    };
}
