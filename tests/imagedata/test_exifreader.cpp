// EXIF reader: records built byte by byte (testfiles/exifrecord.h) decoded from memory, the texts
// they give, hostile records, and the lines of the picture information page.
#include "imagedata/exifreader.h"
#include "testfiles/exifrecord.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace exifRecord;

// Decodes exactly these bytes (a heap copy of that size, so a read past the end is caught by
// the address sanitizer).
exifReader decode(const bytes &file)
{
    exifReader reader;
    const bytes copy(file.begin(), file.end());
    reader.readExifBytes(copy.empty() ? nullptr : copy.data(), static_cast<std::int32_t>(copy.size()),
                         QStringLiteral("test.jpg"));
    return reader;
}

std::vector<QString> texts(const exifReader &r)
{
    return {r.exifVersion,  r.makerName,       r.modelName,   r.dateTime,         r.shutterSpeedValue,
            r.apertureValue, r.exposureMode,   r.meteringMode, r.isoSpeedRatings, r.focalLength,
            r.maxApertureValue, r.subjectDistance, r.useFlash};
}

bool allEmpty(const exifReader &r)
{
    for (const QString &t : texts(r))
        if (!t.isEmpty())
            return false;
    return true;
}

exifRecordBuilder cameraRecord(bool bigEndian)
{
    exifRecordBuilder b;
    b.bigEndian = bigEndian;
    b.ifd0 = {textEntry(271, std::string("Maker Co.") + '\0'), textEntry(272, std::string("Model 7") + '\0'),
              textEntry(306, std::string("2024:05:06 07:08:09") + '\0')};
    exifField version = textEntry(36864, "0220");
    version.type = undefinedType;
    b.sub = {rationalEntry(33434, 1, 250), rationalEntry(33437, 28, 10), shortEntry(34850, 2),
             shortEntry(34855, 200), version, rationalEntry(37382, 3, 1), shortEntry(37383, 5),
             shortEntry(37385, 0x10), rationalEntry(37386, 50, 1)};
    return b;
}

void expectCameraTexts(const exifReader &r)
{
    EXPECT_EQ(r.shutterSpeedValue, QStringLiteral("1/250 秒"));
    EXPECT_EQ(r.apertureValue, QStringLiteral("F 2.8"));
    EXPECT_EQ(r.isoSpeedRatings, QStringLiteral("200"));
    EXPECT_EQ(r.focalLength, QStringLiteral("50 mm"));
    EXPECT_EQ(r.meteringMode, QStringLiteral("マルチセグメント"));
    EXPECT_EQ(r.useFlash, QStringLiteral("発光禁止"));
    EXPECT_EQ(r.exposureMode, QStringLiteral("通常のプログラム"));
    EXPECT_EQ(r.makerName, QStringLiteral("Maker Co."));
    EXPECT_EQ(r.modelName, QStringLiteral("Model 7"));
    EXPECT_EQ(r.dateTime, QStringLiteral("2024:05:06 07:08:09"));
    EXPECT_EQ(r.exifVersion, QStringLiteral("0220"));
    EXPECT_EQ(r.subjectDistance, QStringLiteral("3 m"));
    EXPECT_TRUE(r.maxApertureValue.isEmpty());
}

// A sub-IFD holding just these entries, little-endian unless asked.
exifReader decodeSub(const std::vector<exifField> &sub, bool bigEndian = false)
{
    exifRecordBuilder b;
    b.bigEndian = bigEndian;
    b.sub = sub;
    return decode(b.jpeg());
}

} // namespace

// Readable failure output for texts.
void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

TEST(FixedText, RoundsOnceHalfAwayFromZeroToFourSignificantDigits)
{
    EXPECT_EQ(fixedText(2.8, 1), "2.8");
    EXPECT_EQ(fixedText(18.6, 0), "19");
    EXPECT_EQ(fixedText(2.25, 1), "2.3");      // exact tie: away from zero, not to even
    EXPECT_EQ(fixedText(0.5, 0), "1");
    EXPECT_EQ(fixedText(2.5, 0), "3");
    EXPECT_EQ(fixedText(-2.5, 0), "-3");
    EXPECT_EQ(fixedText(0.125, 2), "0.13");
    EXPECT_EQ(fixedText(1234.56, 1), "1235.0"); // four significant digits win over one decimal
    EXPECT_EQ(fixedText(123.45, 2), "123.50");  // four significant digits, written with two decimals
    EXPECT_EQ(fixedText(2.675, 2), "2.67");     // stored as 2.67499999...: no double rounding
    EXPECT_EQ(fixedText(9.96, 1), "10.0");      // carry into a new digit
    EXPECT_EQ(fixedText(2, 1), "2.0");
    EXPECT_EQ(fixedText(250.00000000000003, 0), "250");
    EXPECT_EQ(fixedText(0, 1), "0.0");
    EXPECT_EQ(fixedText(-0.0, 0), "0");
    EXPECT_EQ(fixedText(-0.04, 1), "0.0");      // rounds to zero: no minus sign
    EXPECT_EQ(fixedText(0.000123456, 1), "0.0");
    EXPECT_EQ(fixedText(0.0012346, 6), "0.001235"); // four significant digits below one
    EXPECT_EQ(fixedText(0.0012345, 6), "0.001234"); // stored as 0.00123449999...
}

TEST(FixedText, LargeValuesKeepPlainDigits)
{
    EXPECT_EQ(fixedText(9999.4, 0), "9999");
    EXPECT_EQ(fixedText(9999.5, 0), "10000");
    EXPECT_EQ(fixedText(12345.6, 0), "12350");
    EXPECT_EQ(fixedText(12345.6, 1), "12350.0");
    EXPECT_EQ(fixedText(99999.5, 0), "100000");
    EXPECT_EQ(fixedText(2147483648.0, 0), "2147000000");
    EXPECT_EQ(fixedText(1e300, 0).size(), 301);
    EXPECT_EQ(fixedText(std::numeric_limits<double>::infinity(), 0), "INF");
}

TEST(ExifReader, LittleEndianCameraRecord)
{
    const exifReader r = decode(cameraRecord(false).jpeg());
    EXPECT_EQ(r.byteOrder, 0);
    EXPECT_EQ(r.app1Offset, 2);
    EXPECT_EQ(r.tiffOffset, 12);
    expectCameraTexts(r);
}

TEST(ExifReader, BigEndianCameraRecordGivesTheSameTexts)
{
    const exifReader r = decode(cameraRecord(true).jpeg());
    EXPECT_EQ(r.byteOrder, 1);
    expectCameraTexts(r);
}

TEST(ExifReader, ApexValues)
{
    for (bool big : {false, true}) {
        const exifReader r =
            decodeSub({rationalEntry(37377, 8, 1), rationalEntry(37378, 3, 1), rationalEntry(37381, 2, 1)}, big);
        EXPECT_EQ(r.shutterSpeedValue, QStringLiteral("1/256 秒"));
        EXPECT_EQ(r.apertureValue, QStringLiteral("F 2.8"));
        EXPECT_EQ(r.maxApertureValue, QStringLiteral("F 2.0"));
    }
}

TEST(ExifReader, LaterEntriesOverrideEarlierOnes)
{
    const exifReader r = decodeSub({rationalEntry(33434, 1, 60), rationalEntry(33437, 40, 10),
                                    rationalEntry(37377, 8, 1), rationalEntry(37378, 3, 1)});
    EXPECT_EQ(r.shutterSpeedValue, QStringLiteral("1/256 秒"));
    EXPECT_EQ(r.apertureValue, QStringLiteral("F 2.8"));
}

TEST(ExifReader, ExposureTimeTieRoundsAwayFromZero)
{
    EXPECT_EQ(decodeSub({rationalEntry(33434, 2, 5)}).shutterSpeedValue, QStringLiteral("1/3 秒"));
    EXPECT_EQ(decodeSub({rationalEntry(33434, 10, 1)}).shutterSpeedValue, QStringLiteral("1/0 秒"));
    EXPECT_EQ(decodeSub({rationalEntry(37382, 25, 10)}).subjectDistance, QStringLiteral("3 m"));
}

TEST(ExifReader, FlashIsMaskedAndSomeValuesKeepTheEarlierText)
{
    EXPECT_EQ(decodeSub({shortEntry(37385, 0x59)}).useFlash, QStringLiteral("発光(オートモード）"));
    EXPECT_EQ(decodeSub({shortEntry(37385, 0x18)}).useFlash, QStringLiteral("非発光(オートモード）"));
    EXPECT_EQ(decodeSub({shortEntry(37385, 0x09)}).useFlash, QStringLiteral("強制発光"));
    EXPECT_EQ(decodeSub({shortEntry(37385, 0x00)}).useFlash, QStringLiteral("非発光"));
    EXPECT_EQ(decodeSub({shortEntry(37385, 0x41)}).useFlash, QStringLiteral("発光"));
    EXPECT_TRUE(decodeSub({shortEntry(37385, 0x08)}).useFlash.isEmpty());
    EXPECT_EQ(decodeSub({shortEntry(37385, 0x01), shortEntry(37385, 0x11)}).useFlash, QStringLiteral("発光"));
}

TEST(ExifReader, UnknownProgramAndMeteringValues)
{
    const exifReader r = decodeSub({shortEntry(34850, 9), shortEntry(37383, 7)});
    EXPECT_EQ(r.exposureMode, QStringLiteral("不明"));
    EXPECT_EQ(r.meteringMode, QStringLiteral("不明"));
    EXPECT_EQ(decodeSub({shortEntry(37383, 255)}).meteringMode, QStringLiteral("その他"));
    EXPECT_EQ(decodeSub({shortEntry(34850, 8)}).exposureMode, QStringLiteral("風景モード"));
    EXPECT_EQ(decodeSub({shortEntry(34855, 65535)}).isoSpeedRatings, QStringLiteral("65535"));
}

TEST(ExifReader, AnotherApp1SegmentFirstGivesNoValues)
{
    exifRecordBuilder b = cameraRecord(false);
    b.before = {0xFF, 0xE1, 0x00, 0x0A, 'h', 't', 't', 'p', ':', '/'};
    const exifReader r = decode(b.jpeg());
    EXPECT_EQ(r.app1Offset, 2);
    EXPECT_EQ(r.byteOrder, -1);
    EXPECT_TRUE(allEmpty(r));
}

TEST(ExifReader, MissingPatternsOrWrongHeaderGiveNoValues)
{
    bytes good = cameraRecord(false).jpeg();
    auto without = [&](std::size_t at, std::uint8_t value) {
        bytes b = good;
        b[at] = value;
        return decode(b);
    };
    EXPECT_TRUE(allEmpty(without(1, 0x00)));   // no FF D8
    EXPECT_TRUE(allEmpty(without(3, 0x00)));   // no FF E1
    EXPECT_TRUE(allEmpty(without(6, 'X')));    // no "Exif\0\0"
    EXPECT_TRUE(allEmpty(without(12, 'X')));   // byte order mark
    EXPECT_TRUE(allEmpty(without(14, 0x2B)));  // magic number
    // Magic in the other byte order does not count.
    bytes swapped = good;
    std::swap(swapped[14], swapped[15]);
    EXPECT_TRUE(allEmpty(decode(swapped)));
    // A BMP-like file and an empty one.
    EXPECT_TRUE(allEmpty(decode(bytes{'B', 'M', 0, 0, 0, 0})));
    EXPECT_TRUE(allEmpty(decode(bytes{})));
}

TEST(ExifReader, NoExifPointerMeansNoSubDirectory)
{
    exifRecordBuilder b = cameraRecord(false);
    b.subPointer = false;
    const exifReader r = decode(b.jpeg());
    EXPECT_EQ(r.makerName, QStringLiteral("Maker Co."));
    EXPECT_TRUE(r.shutterSpeedValue.isEmpty());
    EXPECT_TRUE(r.exposureMode.isEmpty());
}

TEST(ExifReader, EntryCountPastTheEndKeepsEarlierValues)
{
    // The strings stand before IFD0, which claims 40 entries; the file ends four bytes after
    // the second one.
    const exifRecordBuilder le;
    bytes file = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x00, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 0x2A, 0x00};
    const std::size_t tiff = 12;
    const std::string strings = std::string("Maker Co.") + '\0' + "Model 7" + '\0'; // at 8 and 18
    le.put32(file, tiff + 4, 8 + static_cast<std::uint32_t>(strings.size()));
    file.insert(file.end(), strings.begin(), strings.end());
    std::size_t p = file.size();
    le.put16(file, p, 40);
    p += 2;
    const std::uint32_t fields[2][3] = {{271, 10, 8}, {272, 8, 18}};
    for (const auto &f : fields) {
        le.put16(file, p, static_cast<std::uint16_t>(f[0]));
        le.put16(file, p + 2, ascii);
        le.put32(file, p + 4, f[1]);
        le.put32(file, p + 8, f[2]);
        p += 12;
    }
    le.put32(file, p, 0);

    exifReader r = decode(file);
    EXPECT_EQ(r.makerName, QStringLiteral("Maker Co."));
    EXPECT_EQ(r.modelName, QStringLiteral("Model 7"));
    EXPECT_EQ(r.entryCount, 40);

    // One byte less and the second entry's value field fails its bound check.
    file.pop_back();
    r = decode(file);
    EXPECT_EQ(r.makerName, QStringLiteral("Maker Co."));
    EXPECT_TRUE(r.modelName.isEmpty());

    // The decode itself reports that it stopped early, and a whole record that it did not.
    exifReader direct;
    direct.fileSize = static_cast<std::int32_t>(file.size());
    ASSERT_TRUE(direct.findExifHeader(file.data()));
    EXPECT_FALSE(direct.decodeExif(file.data()));
    exifReader whole;
    const bytes good = cameraRecord(false).jpeg();
    whole.fileSize = static_cast<std::int32_t>(good.size());
    ASSERT_TRUE(whole.findExifHeader(good.data()));
    EXPECT_TRUE(whole.decodeExif(good.data()));
}

TEST(ExifReader, EveryTruncationIsSafeAndNeverInventsValues)
{
    for (bool big : {false, true}) {
        exifRecordBuilder b = cameraRecord(big);
        b.sub.push_back(rationalEntry(37381, 2, 1));
        const bytes full = b.jpeg();
        const exifReader whole = decode(full);
        const auto wholeTexts = texts(whole);
        std::size_t lengthsWithAllValues = 0;
        for (std::size_t length = 0; length <= full.size(); ++length) {
            const exifReader r = decode(bytes(full.begin(), full.begin() + static_cast<long>(length)));
            const auto got = texts(r);
            bool complete = true;
            for (std::size_t i = 0; i < got.size(); ++i) {
                // A string cut by the end of the file is a prefix; every other value is all or nothing.
                EXPECT_TRUE(got[i].isEmpty() || wholeTexts[i].startsWith(got[i]))
                    << "length " << length << " field " << i << ": " << got[i].toStdString();
                complete = complete && got[i] == wholeTexts[i];
            }
            lengthsWithAllValues += complete ? 1 : 0;
        }
        // The last rational ends right before the closing FF D9: only the whole file and the
        // two cuts into FF D9 give every value.
        EXPECT_EQ(lengthsWithAllValues, 3u);
    }
}

TEST(ExifReader, HostileOffsetsAreRefused)
{
    // IFD0 offset negative, huge, or at the very end of the file.
    for (std::int64_t offset : {std::int64_t(0xFFFFFFF0), std::int64_t(0x80000000), std::int64_t(0x7FFFFFFF),
                                std::int64_t(0x7FFFFFF8)}) {
        exifRecordBuilder b = cameraRecord(false);
        b.ifd0OffsetOverride = offset;
        EXPECT_TRUE(allEmpty(decode(b.jpeg()))) << offset;
    }
    {
        exifRecordBuilder b = cameraRecord(false);
        b.ifd0OffsetOverride = static_cast<std::int64_t>(b.tiff().size()) + 2; // FF D9 at the end
        EXPECT_TRUE(allEmpty(decode(b.jpeg())));
    }
    // Sub-IFD pointer negative or huge: IFD0 values stay, no camera values.
    for (std::int64_t offset : {std::int64_t(0xFFFFFFFF), std::int64_t(0x80000000), std::int64_t(0x7FFFFFFF)}) {
        exifRecordBuilder b = cameraRecord(true);
        b.subOffsetOverride = offset;
        const exifReader r = decode(b.jpeg());
        EXPECT_EQ(r.makerName, QStringLiteral("Maker Co."));
        EXPECT_TRUE(r.shutterSpeedValue.isEmpty());
    }
}

TEST(ExifReader, HostileStringEntries)
{
    // Count of 10^9 with a valid offset: cut at 255 bytes (and at the end of the file).
    exifRecordBuilder b;
    b.ifd0 = {textEntry(271, std::string(300, 'M') + '\0', 1000000000), textEntry(272, std::string("ab") + '\0')};
    b.sub = {shortEntry(34855, 100)};
    exifReader r = decode(b.jpeg());
    EXPECT_EQ(r.makerName, QString(255, QLatin1Char('M')));
    EXPECT_EQ(r.modelName, QStringLiteral("ab")); // three bytes stand in the value field itself
    EXPECT_EQ(r.isoSpeedRatings, QStringLiteral("100"));

    // A string at the end of the file is cut there; one beyond it is empty; the decode goes on.
    b.ifd0 = {rawEntry(271, 1000000000, 0), rawEntry(272, 20, 0x7FFFFFFF)};
    const std::size_t tiffSize = b.tiff().size();
    b.ifd0[0].field = static_cast<std::uint32_t>(tiffSize); // points at the closing FF D9
    r = decode(b.jpeg());
    EXPECT_EQ(r.makerName, QString::fromUtf8("\xFF\xD9", 2));
    EXPECT_TRUE(r.modelName.isEmpty());
    EXPECT_EQ(r.isoSpeedRatings, QStringLiteral("100"));

    // A negative string offset or count ends the decode.
    b.ifd0 = {rawEntry(271, 20, 0xFFFFFFF0), textEntry(272, std::string("Model 7") + '\0')};
    r = decode(b.jpeg());
    EXPECT_TRUE(r.makerName.isEmpty());
    EXPECT_TRUE(r.modelName.isEmpty());
    EXPECT_TRUE(r.isoSpeedRatings.isEmpty());
    b.ifd0 = {rawEntry(271, -5, 8)};
    EXPECT_TRUE(decode(b.jpeg()).isoSpeedRatings.isEmpty());
}

TEST(ExifReader, ExifVersionUsesTheValueFieldOnly)
{
    exifField version = rawEntry(36864, 2, 0);
    version.raw = false;
    version.isText = true;
    version.text = "0231";
    version.count = 2;
    EXPECT_EQ(decodeSub({version}).exifVersion, QStringLiteral("02"));
    version.count = 1000000000;
    EXPECT_EQ(decodeSub({version}).exifVersion, QStringLiteral("0231"));
    version.count = 0;
    EXPECT_TRUE(decodeSub({version, shortEntry(34855, 50)}).exifVersion.isEmpty());
    version.count = -1;
    EXPECT_TRUE(decodeSub({version, shortEntry(34855, 50)}).isoSpeedRatings.isEmpty());
}

TEST(ExifReader, RationalsWithoutAValueLeaveTheTextAlone)
{
    // Denominator zero: no text, the earlier one stays, and the decode goes on.
    exifReader r = decodeSub({rationalEntry(33437, 28, 10), rationalEntry(37378, 3, 0), shortEntry(34855, 400)});
    EXPECT_EQ(r.apertureValue, QStringLiteral("F 2.8"));
    EXPECT_EQ(r.isoSpeedRatings, QStringLiteral("400"));
    EXPECT_TRUE(decodeSub({rationalEntry(37386, 0, 0)}).focalLength.isEmpty());
    // An exposure time of zero has no reciprocal; a huge APEX value has no finite power.
    EXPECT_TRUE(decodeSub({rationalEntry(33434, 0, 1)}).shutterSpeedValue.isEmpty());
    EXPECT_TRUE(decodeSub({rationalEntry(37377, 2000000000, 1)}).shutterSpeedValue.isEmpty());
    // Negative values are signed, as stored.
    EXPECT_EQ(decodeSub({rationalEntry(37386, -50, 1)}).focalLength, QStringLiteral("-50 mm"));
    EXPECT_EQ(decodeSub({rationalEntry(37378, -2, 1)}).apertureValue, QStringLiteral("F 0.5"));
    // A rational whose offset is negative or past the end ends the decode.
    for (std::uint32_t offset : {0xFFFFFFFCu, 0x7FFFFFFFu, 0x7FFFFFF9u}) {
        r = decodeSub({rawEntry(33437, 1, offset), shortEntry(34855, 400)});
        EXPECT_TRUE(r.apertureValue.isEmpty());
        EXPECT_TRUE(r.isoSpeedRatings.isEmpty());
    }
}

TEST(ExifReader, FindBytesLooksOnlyBelowTheLastFullPosition)
{
    exifReader r;
    const std::uint8_t data[] = {1, 2, 3, 0xFF, 0xD8, 4, 0xFF, 0xD8};
    r.fileSize = sizeof data;
    const std::uint8_t soi[] = {0xFF, 0xD8};
    EXPECT_EQ(r.findBytes(data, sizeof data, soi, 2, 0), 3);
    EXPECT_EQ(r.findBytes(data, sizeof data, soi, 2, 4), -1); // the pair ending the file is not seen
    EXPECT_EQ(r.findBytes(data, sizeof data, soi, 2, 100), -1);
    EXPECT_EQ(r.findBytes(data, sizeof data, soi, 2, -3), -1);
}

TEST(ExifReader, ReadsAFileFromDisk)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("写真.jpg"));
    const bytes content = cameraRecord(true).jpeg();
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char *>(content.data()), static_cast<qint64>(content.size()));
    }
    exifReader r;
    EXPECT_TRUE(r.readExif(path));
    EXPECT_EQ(r.fileName, QStringLiteral("写真.jpg"));
    EXPECT_EQ(r.fileSize, static_cast<std::int32_t>(content.size()));
    expectCameraTexts(r);

    exifReader missing;
    EXPECT_FALSE(missing.readExif(dir.filePath(QStringLiteral("none.jpg"))));
    EXPECT_TRUE(missing.fileName.isEmpty());
    EXPECT_TRUE(allEmpty(missing));

    const QString emptyPath = dir.filePath(QStringLiteral("empty.jpg"));
    {
        QFile f(emptyPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    exifReader empty;
    EXPECT_TRUE(empty.readExif(emptyPath));
    EXPECT_EQ(empty.fileSize, 0);
    EXPECT_TRUE(allEmpty(empty));
}

TEST(PictureInfo, LinesInPageOrder)
{
    const exifReader r = decode(cameraRecord(false).jpeg());
    const auto lines = pictureInfo(640, 480, r, QStringLiteral("a.jpg"));
    ASSERT_EQ(lines.size(), 17u);
    const char *controls[] = {"widthStaticText", "heightStaticText", "pixelsStaticText", "exifVersionStaticText",
                              "makerNameStaticText", "modelNameStaticText", "dateTimeStaticText",
                              "shutterSpeedValueStaticText", "apertureValueStaticText", "exposureModeStaticText",
                              "meteringModeStaticText", "ISOSpeedRatingsStaticText", "FocalLengthStaticText",
                              "maxApertureValueStaticText", "subjectDistanceStaticText", "useFlashStaticText",
                              "fileNameStaticText"};
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_STREQ(lines[i].control, controls[i]);
    EXPECT_STREQ(lines[0].label, "幅　：");
    EXPECT_STREQ(lines[7].label, "シャッター速度：");
    EXPECT_STREQ(lines[16].label, "ファイル名　：");
    EXPECT_EQ(lines[0].value, QStringLiteral("640  pixel"));
    EXPECT_EQ(lines[1].value, QStringLiteral("480  pixel"));
    EXPECT_EQ(lines[2].value, QStringLiteral("307200  pixel"));
    EXPECT_EQ(lines[7].value, QStringLiteral("1/250 秒"));
    EXPECT_EQ(lines[15].value, QStringLiteral("発光禁止"));
    EXPECT_EQ(lines[16].value, QStringLiteral("a.jpg"));
    // The pixel count of a huge picture does not wrap round.
    EXPECT_EQ(pictureInfo(70000, 70000, r, QString())[2].value, QStringLiteral("4900000000  pixel"));
}
