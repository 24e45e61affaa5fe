// Display colours: which profiles are converted, ignored with a note or taken as sRGB; the converted
// bytes against LittleCMS's own, the fourth byte kept; the cached copy of a view following its
// source.
#include "colour/displaycolour.h"
#include "testprofiles.h"

#include <gtest/gtest.h>

using namespace test_profiles;

namespace {

QImage colourRow(const std::vector<QRgb> &colours)
{
    QImage row(int(colours.size()), 1, QImage::Format_RGB32);
    for (int x = 0; x < row.width(); ++x)
        reinterpret_cast<quint32 *>(row.scanLine(0))[x] = colours[std::size_t(x)];
    return row;
}

QRgb pixelAt(const QImage &picture, int x)
{
    return reinterpret_cast<const quint32 *>(picture.constScanLine(0))[x];
}

} // namespace

TEST(DisplayColours, EachKindOfProfileIsConvertedTakenAsSrgbOrIgnoredWithANote)
{
    struct profileExample {
        const char *what;
        QByteArray profile;
        bool converted;
        bool noted;
        QString name;
    };
    QByteArray cut = adobeRgbProfile();
    cut.truncate(300); // header and tag table, the tags' data missing
    const profileExample examples[] = {
        {"no profile", {}, false, false, {}},
        {"Adobe RGB", adobeRgbProfile(), true, false, "Test Adobe RGB (1998)"},
        {"sRGB", srgbProfile(), false, false, "Test sRGB"},
        {"linear grey", linearGreyProfile(), true, false, "Test linear grey"},
        {"table", tableProfile(), true, false, "Test table"},
        {"not a profile", QByteArray(600, 'x'), false, true, {}},
        {"cut short", cut, false, true, {}},
        {"CMYK", cmykClaimingProfile(), false, true, {}},
    };
    for (const profileExample &e : examples) {
        SCOPED_TRACE(e.what);
        const displayColours colours = displayColoursFor(e.profile);
        EXPECT_EQ(colours.transform != nullptr, e.converted);
        EXPECT_EQ(!colours.note.isEmpty(), e.noted) << qPrintable(colours.note);
        EXPECT_EQ(colours.profileName, e.name);
        // The information page shows the note when there is one.
        EXPECT_EQ(profileInfoText(colours).contains(QStringLiteral("無視")), e.noted);
        // Asked again, the same transform comes from the store.
        EXPECT_EQ(displayColoursFor(e.profile).transform, colours.transform);
    }
}

// Within one step of every channel: the quick sums of a matrix-and-curves profile round a little
// differently from LittleCMS's own 8-bit path.
bool near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) <= 1 && std::abs(qGreen(a) - qGreen(b)) <= 1 && std::abs(qBlue(a) - qBlue(b)) <= 1;
}

TEST(DisplayColours, ColoursBecomeLittleCmsSrgbAndTheFourthByteStays)
{
    std::vector<QRgb> colours = {0x7F0080FFu, 0xFF64C864u, 0x12C89664u, 0xFFFFFFu, 0x000000u, 0xFF808080u};
    for (int r = 0; r <= 255; r += 15)
        for (int g = 0; g <= 255; g += 15)
            for (int b = 0; b <= 255; b += 15)
                colours.push_back(qRgb(r, g, b) & (r % 2 ? 0xFFFFFFFFu : 0x00FFFFFFu));
    const QImage source = colourRow(colours);
    for (const QByteArray &profile : {adobeRgbProfile(), tableProfile()}) {
        const std::shared_ptr<const displayTransform> transform = displayColoursFor(profile).transform;
        ASSERT_TRUE(transform);
        const QImage shown = transform->applied(source);
        const std::vector<QRgb> expected = srgbOf(profile, colours);
        QImage inPlace = source;
        transform->apply(inPlace);
        int changed = 0;
        for (int x = 0; x < source.width(); ++x) {
            const QRgb colour = colours[std::size_t(x)];
            ASSERT_EQ(pixelAt(source, x), colour); // the picture itself is untouched
            ASSERT_TRUE(near(pixelAt(shown, x), expected[std::size_t(x)])) << std::hex << colour << " " << pixelAt(shown, x);
            ASSERT_EQ(pixelAt(shown, x) >> 24, colour >> 24);
            ASSERT_EQ(pixelAt(inPlace, x), pixelAt(shown, x));
            changed += !near(pixelAt(shown, x), colour);
        }
        EXPECT_GT(changed, source.width() / 2);
    }
    // Adobe RGB's full green lies outside sRGB and is clipped to sRGB's own full green; a mid
    // green (inside both) is shown far more saturated.
    const QImage greens = displayColoursFor(adobeRgbProfile()).transform->applied(colourRow({0x00FF00u, 0x64C864u}));
    EXPECT_EQ(pixelAt(greens, 0), 0x00FF00u);
    EXPECT_GT(qAbs(qRed(pixelAt(greens, 1)) - 0x64) + qAbs(qGreen(pixelAt(greens, 1)) - 0xC8)
                  + qAbs(qBlue(pixelAt(greens, 1)) - 0x64), 20);
}

TEST(DisplayColours, AGreyProfileTurnsEachChannelByItsCurve)
{
    const QByteArray profile = linearGreyProfile();
    const std::shared_ptr<const displayTransform> transform = displayColoursFor(profile).transform;
    ASSERT_TRUE(transform);
    cmsHPROFILE grey = cmsOpenProfileFromMem(profile.constData(), cmsUInt32Number(profile.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM lcms = cmsCreateTransform(grey, TYPE_GRAY_8, srgb, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
    std::vector<QRgb> colours;
    for (int v = 0; v < 256; v += 15)
        colours.push_back(qRgb(v, v, 255 - v) & 0xFFFFFF);
    const QImage shown = transform->applied(colourRow(colours));
    for (int x = 0; x < shown.width(); ++x) {
        const uchar level = uchar(qRed(colours[std::size_t(x)])), other = uchar(qBlue(colours[std::size_t(x)]));
        uchar a[3], b[3];
        cmsDoTransform(lcms, &level, a, 1);
        cmsDoTransform(lcms, &other, b, 1);
        EXPECT_EQ(pixelAt(shown, x), qRgb(a[1], a[1], b[1]) & 0xFFFFFF) << x;
    }
    cmsDeleteTransform(lcms);
    cmsCloseProfile(grey);
    cmsCloseProfile(srgb);
}

TEST(DisplayColours, MetadataChunksJoinIntoTheProfileOrGiveANote)
{
    const QByteArray profile = adobeRgbProfile();
    pictureMetadata whole;
    for (const metadataSegment &s : iccChunks(profile, 200)) // several chunks, given out of order
        whole.segments.insert(whole.segments.begin(), s);
    EXPECT_EQ(displayColoursFor(whole).transform, displayColoursFor(profile).transform);
    pictureMetadata gap = whole;
    gap.segments.erase(gap.segments.begin() + 1);
    const displayColours broken = displayColoursFor(gap);
    EXPECT_FALSE(broken.transform);
    EXPECT_FALSE(broken.note.isEmpty());
    EXPECT_TRUE(displayColoursFor(pictureMetadata()).note.isEmpty());
}

TEST(DisplayColours, TheCachedViewCopyFollowsItsSource)
{
    const std::shared_ptr<const displayTransform> transform = displayColoursFor(adobeRgbProfile()).transform;
    ASSERT_TRUE(transform);
    QImage view = colourRow({0x336699u, 0x336699u});
    displayCopy copy;
    EXPECT_EQ(&copy.of(view, nullptr), &view); // no transform: the view itself
    const QRgb before = pixelAt(copy.of(view, transform), 0);
    EXPECT_EQ(before, pixelAt(transform->applied(view), 0));
    reinterpret_cast<quint32 *>(view.scanLine(0))[0] = 0x00FF00u; // a commit writes into the view
    EXPECT_EQ(pixelAt(copy.of(view, transform), 0), pixelAt(transform->applied(view), 0));
    EXPECT_NE(pixelAt(copy.of(view, transform), 0), before);
}
