// JPEG XL and the formats Korvia writes: every written format reads back (the same bytes where it
// is lossless, close where it is not) with its camera record, XMP packet and colour profile; JPEG XL files made by
// libjxl's own encoder open as 16-bit, alpha, grey, turned and lossy pictures with their boxes,
// and files cut short, declaring more than their bytes can describe or stacking frames beyond
// what their size allows are refused.
#include "imagedata/decodedpicture.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/jxlcoding.h"
#include "imagedata/picturesignature.h"

#include "testfiles.h"
#include "testfiles/picturedifference.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <lcms2.h>
#include <QTransform>

#include <cstdlib>
#include <ostream>

namespace {

constexpr int W = 41, H = 27; // odd sides: no group or block comes out even

std::uint32_t sampleAt(int x, int y, int c)
{
    switch (c) {
    case 0: return std::uint32_t(x * 4 + y * 2);         // smooth, as photos mostly are: no edge
    case 1: return std::uint32_t(x * y / 8 + 40);         // where lossy coders go far astray
    case 2: return std::uint32_t(250 - x * 3 - y);
    default: return std::uint32_t(x * 13 + y * 29) & 0xFF; // alpha
    }
}

QImage pictureOf(int width, int height, const std::function<QRgb(int, int)> &pixel)
{
    QImage p(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.setPixel(x, y, pixel(x, y));
    return p;
}

const QImage source = pictureOf(W, H, [](int x, int y) { return qRgb(int(sampleAt(x, y, 0)), int(sampleAt(x, y, 1)), int(sampleAt(x, y, 2))); });

const QByteArray xmpPacket("<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
                           "<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/' dc:format='korvia'/></rdf:RDF></x:xmpmeta>");

// A wide-gamut RGB profile (Adobe RGB's primaries, gamma 2.2) as LittleCMS writes it.
QByteArray wideProfile()
{
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve *gamma = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve *curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(gamma);
    return bytes;
}

class FormatsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString at(const QString &name) const { return dir.filePath(name); }
};

// ---- every written format, written and read back -----------------------------------------------

struct roundTrip {
    const char *name;
    int type;
    int quality;
    double meanTolerance; // 0: the same bytes
    bool records;         // carries the camera record and XMP
};

void PrintTo(const roundTrip &c, std::ostream *os) { *os << c.name << " at quality " << c.quality; }

class WrittenFormats : public FormatsTest, public ::testing::WithParamInterface<roundTrip> {};

TEST_P(WrittenFormats, ReadBackWithTheirRecords)
{
    const roundTrip &c = GetParam();
    pictureMetadata records;
    records.addExifPayload(cameraRecord("KorviaCam", 6));
    records.addXmpPacket(xmpPacket);
    records.addIccProfile(wideProfile());
    const QString name = at(QLatin1String(c.name));
    writeImageFile(source, name, c.type, c.quality, &records);

    QImage back;
    pictureMetadata read;
    ASSERT_EQ(loadImageFile(back, name, &read), c.type);
    if (c.meanTolerance == 0) {
        EXPECT_EQ(back, source);
    } else {
        EXPECT_LE(meanDifference(back, source), c.meanTolerance);
        EXPECT_NE(back, source); // the quality was heard: lossy
    }
    EXPECT_EQ(pictureFileSize(name), source.size());
    if (c.records) {
        EXPECT_TRUE(read.exifPayload().contains("KorviaCam"));
        EXPECT_EQ(exifOrientation(QByteArray("Exif\0\0", 6) + read.exifPayload()), 1); // written upright
        EXPECT_TRUE(read.xmpPacket().contains("dc:format='korvia'"));
        // The same profile; JPEG XL keeps the colours it describes, in a profile of its own making.
        if (c.type == jxlPicture)
            EXPECT_EQ(read.iccProfile().mid(16, 4), QByteArray("RGB "));
        else
            EXPECT_EQ(read.iccProfile(), wideProfile());
    } else {
        EXPECT_TRUE(read.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(EveryWrittenFormat, WrittenFormats,
                         ::testing::Values(roundTrip{"a.png", pngPicture, 100, 0, true},
                                           roundTrip{"a.tif", tiffPicture, 100, 0, true},
                                           roundTrip{"a.webp", webpPicture, 100, 0, true},
                                           roundTrip{"lossy.webp", webpPicture, 90, 4, true},
                                           roundTrip{"a.jxl", jxlPicture, 100, 0, true},
                                           roundTrip{"lossy.jxl", jxlPicture, 90, 3, true},
                                           roundTrip{"low.jxl", jxlPicture, 20, 12, true},
                                           roundTrip{"a.jpeg", jpegPicture, 95, 3, true},
                                           roundTrip{"a.BMP", bmpPicture, 100, 0, false}),
                         [](const auto &info) {
                             QString n = QLatin1String(info.param.name);
                             return n.replace(QLatin1Char('.'), QLatin1Char('_')).toStdString();
                         });

// ---- JPEG XL files of every kind ----------------------------------------------------------------

struct jxlCase {
    const char *name;
    jxlLayout layout;
    std::function<std::uint32_t(int, int, int)> sample;
    QImage expected;
    double meanTolerance; // 0: exactly expected
};

std::uint32_t deep(int x, int y, int c) { return sampleAt(x, y, c) * 256 + std::uint32_t(x * 5 + c); } // not v * 257

QRgb overWhiteAt(int x, int y, bool deepSamples)
{
    const auto v = [&](int c) { return deepSamples ? eightBits(deep(x, y, c)) : std::uint32_t(sampleAt(x, y, c)); };
    const std::uint32_t a = v(3);
    return qRgb(overWhite(v(0), a), overWhite(v(1), a), overWhite(v(2), a));
}

void PrintTo(const jxlCase &c, std::ostream *os) { *os << c.name; }

class JxlFiles : public FormatsTest, public ::testing::WithParamInterface<jxlCase> {};

TEST_P(JxlFiles, OpenAsShown)
{
    const jxlCase &c = GetParam();
    const QByteArray bytes = jxlFile(c.layout, c.sample);
    ASSERT_FALSE(bytes.isEmpty());
    const QString name = at(QLatin1String(c.name));
    ASSERT_TRUE(writeFile(name, bytes));
    QImage picture;
    pictureMetadata metadata;
    ASSERT_EQ(loadImageFile(picture, name, &metadata), jxlPicture);
    ASSERT_EQ(picture.size(), c.expected.size());
    if (c.meanTolerance == 0)
        EXPECT_EQ(picture, c.expected);
    else
        EXPECT_LE(meanDifference(picture, c.expected), c.meanTolerance);
    // The headers alone give the size as shown, and the same records.
    pictureMetadata fromHeaders;
    int type = 0;
    EXPECT_EQ(pictureFileSize(name, &type, &fromHeaders), picture.size());
    EXPECT_EQ(fromHeaders.exifPayload(), metadata.exifPayload());
    EXPECT_EQ(fromHeaders.xmpPacket(), metadata.xmpPacket());
    if (!c.layout.exif.isEmpty()) {
        EXPECT_EQ(metadata.exifPayload(), c.layout.exif);
        EXPECT_EQ(metadata.xmpPacket(), c.layout.xmp); // a Brotli-compressed box
    }
}

jxlLayout layoutOf(std::function<void(jxlLayout &)> change)
{
    jxlLayout l;
    l.width = W;
    l.height = H;
    change(l);
    return l;
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, JxlFiles,
    ::testing::Values(
        jxlCase{"lossless8.jxl", layoutOf([](jxlLayout &) {}), sampleAt, source, 0},
        jxlCase{"lossless16.jxl", layoutOf([](jxlLayout &l) { l.bits = 16; }), deep,
                pictureOf(W, H, [](int x, int y) { return qRgb(eightBits(deep(x, y, 0)), eightBits(deep(x, y, 1)), eightBits(deep(x, y, 2))); }), 0},
        jxlCase{"alpha8.jxl", layoutOf([](jxlLayout &l) { l.alpha = true; }), sampleAt,
                pictureOf(W, H, [](int x, int y) { return overWhiteAt(x, y, false); }), 0},
        jxlCase{"alpha16.jxl", layoutOf([](jxlLayout &l) { l.alpha = true, l.bits = 16; }), deep,
                pictureOf(W, H, [](int x, int y) { return overWhiteAt(x, y, true); }), 0},
        jxlCase{"grey.jxl", layoutOf([](jxlLayout &l) { l.grey = true; }), sampleAt,
                pictureOf(W, H, [](int x, int y) { const int v = int(sampleAt(x, y, 0)); return qRgb(v, v, v); }), 0},
        jxlCase{"turned.jxl", layoutOf([](jxlLayout &l) { l.orientation = 6; }), sampleAt, source.transformed(QTransform().rotate(90)), 0},
        jxlCase{"mirrored.jxl", layoutOf([](jxlLayout &l) { l.orientation = 2; }), sampleAt, source.mirrored(true, false), 0},
        jxlCase{"lossy.jxl", layoutOf([](jxlLayout &l) { l.distance = 1; }), sampleAt, source, 2.5},
        jxlCase{"records.jxl", layoutOf([](jxlLayout &l) {
                    l.exif = cameraRecord("KorviaCam", 1);
                    l.exifOffset = 6;
                    l.xmp = xmpPacket;
                }),
                sampleAt, source, 0}),
    [](const auto &info) { return QString::fromLatin1(info.param.name).section(QLatin1Char('.'), 0, 0).toStdString(); });

// ---- refused -------------------------------------------------------------------------------------

// Refused with a message naming the file and holding `says`, by the open and the headers alike,
// the picture the open would have replaced left as it was.
void expectRefused(const QString &name, const QString &says)
{
    QImage kept = source;
    try {
        loadImageFile(kept, name);
        ADD_FAILURE() << "opened";
    } catch (const imageError &e) {
        EXPECT_TRUE(e.message().contains(name)) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(says)) << e.message().toStdString();
    }
    EXPECT_EQ(kept, source);
    if (says != QLatin1String("end early")) { // the headers of a cut file are whole
        try {
            pictureFileSize(name);
            ADD_FAILURE() << "headers read";
        } catch (const imageError &e) {
            EXPECT_TRUE(e.message().contains(says)) << e.message().toStdString();
        }
    }
}

TEST_F(FormatsTest, JxlFilesCutShortOrClaimingTooMuchAreRefused)
{
    const QByteArray whole = jxlFile(layoutOf([](jxlLayout &) {}), sampleAt);
    ASSERT_TRUE(writeFile(at("cut.jxl"), whole.left(whole.size() * 2 / 3)));
    expectRefused(at("cut.jxl"), QStringLiteral("end early"));
    ASSERT_TRUE(writeFile(at("header.jxl"), whole.left(4)));
    QImage kept = source;
    EXPECT_THROW(loadImageFile(kept, at("header.jxl")), imageError);
    EXPECT_THROW(pictureFileSize(at("header.jxl")), imageError);

    // A small frame on a canvas of 256 megapixels: a few hundred bytes that would cost gigabytes.
    const QByteArray huge = jxlFile(layoutOf([](jxlLayout &l) { l.canvasWidth = l.canvasHeight = 16000; }), sampleAt);
    ASSERT_FALSE(huge.isEmpty());
    ASSERT_LT(huge.size(), 4096);
    ASSERT_TRUE(writeFile(at("huge.jxl"), huge));
    expectRefused(at("huge.jxl"), QStringLiteral("ファイルの大きさに見合いません"));
    // Above the pixel limit whatever the file's size.
    ASSERT_TRUE(writeFile(at("limit.jxl"), jxlFile(layoutOf([](jxlLayout &l) { l.canvasWidth = l.canvasHeight = 30000; }), sampleAt)));
    expectRefused(at("limit.jxl"), QStringLiteral("大きすぎて開けません"));

    // A hundred frames of no duration before the picture, a few bytes each: the work of
    // stacking them is held to what the file's size allows, and a few are stacked.
    const auto stacked = [](int frames, int canvas) {
        return jxlFile(layoutOf([&](jxlLayout &l) { l.hiddenFrames = frames, l.canvasWidth = l.canvasHeight = canvas; }), sampleAt);
    };
    ASSERT_TRUE(writeFile(at("stacked.jxl"), stacked(100, 2900)));
    kept = source;
    try {
        loadImageFile(kept, at("stacked.jxl"));
        ADD_FAILURE() << "opened";
    } catch (const imageError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("フレームが多すぎて"))) << e.message().toStdString();
    }
    EXPECT_EQ(kept, source);
    ASSERT_TRUE(writeFile(at("few.jxl"), stacked(3, 64)));
    QImage picture;
    ASSERT_EQ(loadImageFile(picture, at("few.jxl")), jxlPicture);
    EXPECT_EQ(picture.copy(0, 0, W, H), source);
}

// A Brotli-compressed record that unpacks beyond what is kept is left out; the picture opens.
TEST_F(FormatsTest, JxlRecordUnpackingTooFarIsDropped)
{
    const QByteArray bytes = jxlFile(layoutOf([](jxlLayout &l) {
                                         l.exif = cameraRecord("KorviaCam", 1);
                                         l.xmp = QByteArray(24 << 20, ' ');
                                     }),
                                     sampleAt);
    ASSERT_LT(bytes.size(), 64 << 10);
    ASSERT_TRUE(writeFile(at("bomb.jxl"), bytes));
    QImage picture;
    pictureMetadata metadata;
    ASSERT_EQ(loadImageFile(picture, at("bomb.jxl"), &metadata), jxlPicture);
    EXPECT_EQ(picture, source);
    EXPECT_TRUE(metadata.xmpPacket().isEmpty());
    EXPECT_EQ(metadata.exifPayload(), cameraRecord("KorviaCam", 1));
}

TEST(JxlTypes, ExtensionSignatureAndSaveDialogFilter)
{
    EXPECT_EQ(imageFileType(QStringLiteral("a/photo.jxl")), jxlPicture);
    EXPECT_EQ(imageFileType(QStringLiteral("a/photo.JXL")), jxlPicture);
    EXPECT_EQ(contentPictureType(QByteArray("\xFF\x0A\x00", 3), pngPicture), jxlPicture);
    EXPECT_EQ(contentPictureType(QByteArray("\0\0\0\x0CJXL \r\n\x87\n\0", 13), pngPicture), jxlPicture);
    EXPECT_EQ(saveFileName(QStringLiteral("holiday.2009.jpg"), jxlPicture), QStringLiteral("holiday.2009.jxl"));
    EXPECT_TRUE(qualityPictureType(jxlPicture));
    // The save dialog's filters, JPEG and BMP first: each written type's filter names its extension.
    const QStringList filters = (QStringLiteral("JPEG|*.jpeg|BMP|*.bmp") + saveFilterAddition()).split(QLatin1Char('|'));
    for (const int type : {pngPicture, tiffPicture, webpPicture, jxlPicture}) {
        const int filter = saveFilterOfType(type);
        ASSERT_LT(2 * filter - 1, filters.size());
        EXPECT_TRUE(filters[2 * filter - 1].contains(writtenPictureExtension(type))) << type;
        EXPECT_EQ(typeOfSaveFilter(filter), type);
    }
    EXPECT_DOUBLE_EQ(jxlDistanceOf(100), 0.0);
    EXPECT_NEAR(jxlDistanceOf(90), 1.0, 1e-9); // cjxl's -q 90
}

} // namespace
