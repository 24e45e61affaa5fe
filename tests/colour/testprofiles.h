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

// An RGB profile described by a table through Lab instead of a matrix and curves: lightness
// from the three channels together, a* and b* from their differences.
inline QByteArray tableProfile()
{
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 4.3);
    cmsSetDeviceClass(profile, cmsSigDisplayClass);
    cmsSetColorSpace(profile, cmsSigRgbData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsStage *table = cmsStageAllocCLut16bit(nullptr, 9, 3, 3, nullptr);
    cmsStageSampleCLut16bit(
        table,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void *) -> cmsInt32Number {
            const double r = in[0] / 65535.0, g = in[1] / 65535.0, b = in[2] / 65535.0;
            const cmsCIELab lab{100.0 * (0.3 * r + 0.6 * g + 0.1 * b), 80.0 * (r - g), 60.0 * (g - b)};
            cmsFloat2LabEncoded(out, &lab);
            return 1;
        },
        nullptr, 0);
    cmsPipeline *pipeline = cmsPipelineAlloc(nullptr, 3, 3);
    // A curves, the table, B curves: the layout a version 4 table is written in.
    cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsPipelineInsertStage(pipeline, cmsAT_END, table);
    cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(profile, cmsSigAToB0Tag, pipeline);
    cmsPipelineFree(pipeline);
    return profileBytes(profile, "Test table");
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

// What LittleCMS makes of colours of the profile's space in sRGB (perceptual intent), through its
// own 8-bit path.
inline std::vector<QRgb> srgbOf(const QByteArray &profile, const std::vector<QRgb> &colours)
{
    cmsHPROFILE in = cmsOpenProfileFromMem(profile.constData(), cmsUInt32Number(profile.size()));
    cmsHPROFILE out = cmsCreate_sRGBProfile();
    cmsHTRANSFORM t = cmsCreateTransform(in, TYPE_RGB_8, out, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
    std::vector<unsigned char> from, to(colours.size() * 3);
    for (QRgb c : colours)
        from.insert(from.end(), {uchar(qRed(c)), uchar(qGreen(c)), uchar(qBlue(c))});
    cmsDoTransform(t, from.data(), to.data(), cmsUInt32Number(colours.size()));
    cmsDeleteTransform(t);
    cmsCloseProfile(in);
    cmsCloseProfile(out);
    std::vector<QRgb> result;
    for (std::size_t i = 0; i < colours.size(); ++i)
        result.push_back(qRgb(to[i * 3], to[i * 3 + 1], to[i * 3 + 2]) & 0xFFFFFF);
    return result;
}

inline QRgb srgbOf(const QByteArray &profile, QRgb colour)
{
    return srgbOf(profile, std::vector<QRgb>{colour}).front();
}

} // namespace test_profiles
