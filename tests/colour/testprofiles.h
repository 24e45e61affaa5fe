// ICC profiles made at test time with LittleCMS, the APP2 chunks a JPEG carries them in, and what
// LittleCMS itself makes of a colour, for the display-colour tests of the engine and the window.
#pragma once
#include "imagedata/jpegcoding.h"
#include "imagedata/picturemetadata.h"

#include <QByteArray>
#include <QImage>
#include <lcms2.h>
#include <vector>

namespace test_profiles {

inline QByteArray profileBytes(cmsHPROFILE profile, const char *description = nullptr)
{
    if (description) {
        cmsMLU *text = cmsMLUalloc(nullptr, 1);
        cmsMLUsetASCII(text, "en", "US", description);
        cmsWriteTag(profile, cmsSigProfileDescriptionTag, text);
        cmsMLUfree(text);
    }
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// Adobe RGB (1998) as its primaries, D65 white and gamma 563/256 describe it.
inline QByteArray adobeRgbProfile()
{
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve *gamma = cmsBuildGamma(nullptr, 563.0 / 256.0);
    cmsToneCurve *curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(gamma);
    return profileBytes(profile, "Test Adobe RGB (1998)");
}

inline QByteArray srgbProfile()
{
    return profileBytes(cmsCreate_sRGBProfile(), "Test sRGB");
}

// A greyscale profile with a linear curve (much lighter mid-tones than sRGB's).
inline QByteArray linearGreyProfile()
{
    cmsToneCurve *linear = cmsBuildGamma(nullptr, 1.0);
    cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), linear);
    cmsFreeToneCurve(linear);
    return profileBytes(profile, "Test linear grey");
}

// The Adobe profile claiming CMYK colours in its header.
inline QByteArray cmykClaimingProfile()
{
    QByteArray bytes = adobeRgbProfile();
    bytes.replace(16, 4, "CMYK");
    return bytes;
}

// profile cut into APP2 "ICC_PROFILE" chunks of at most chunkSize bytes, numbered from 1.
inline std::vector<metadataSegment> iccChunks(const QByteArray &profile, qsizetype chunkSize = 65519)
{
    std::vector<metadataSegment> chunks;
    const int count = int((profile.size() + chunkSize - 1) / chunkSize);
    for (int i = 0; i < count; ++i) {
        QByteArray payload("ICC_PROFILE\0", 12);
        payload += char(i + 1);
        payload += char(count);
        payload += profile.mid(i * chunkSize, chunkSize);
        chunks.push_back({0xE2, payload});
    }
    return chunks;
}

// A JPEG of picture (quality 100) carrying the given segments.
inline QByteArray jpegWith(const QImage &picture, const std::vector<metadataSegment> &segments)
{
    return encodeJpegWith(picture, 100, segments);
}

// What LittleCMS makes of one colour of the profile's space in sRGB (perceptual intent).
inline QRgb srgbOf(const QByteArray &profile, QRgb colour)
{
    cmsHPROFILE in = cmsOpenProfileFromMem(profile.constData(), cmsUInt32Number(profile.size()));
    cmsHPROFILE out = cmsCreate_sRGBProfile();
    cmsHTRANSFORM t = cmsCreateTransform(in, TYPE_RGB_8, out, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
    const unsigned char from[3] = {uchar(qRed(colour)), uchar(qGreen(colour)), uchar(qBlue(colour))};
    unsigned char to[3] = {0, 0, 0};
    cmsDoTransform(t, from, to, 1);
    cmsDeleteTransform(t);
    cmsCloseProfile(in);
    cmsCloseProfile(out);
    return qRgb(to[0], to[1], to[2]);
}

} // namespace test_profiles
