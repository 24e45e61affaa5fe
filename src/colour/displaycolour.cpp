#include "displaycolour.h"
#include "imagedata/texts.h"

#include <lcms2.h>

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

// The bytes of a Format_RGB32 pixel in memory, as LittleCMS names them.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr cmsUInt32Number pixelType = TYPE_BGRA_8;
constexpr int blueByte = 0, greenByte = 1, redByte = 2;
#else
constexpr cmsUInt32Number pixelType = TYPE_ARGB_8;
constexpr int blueByte = 3, greenByte = 2, redByte = 1;
#endif

// The last error LittleCMS reported on this thread while a transform was being built.
thread_local std::string lastError;

void keepError(cmsContext, cmsUInt32Number, const char *text)
{
    if (!lastError.empty())
        lastError += "; ";
    lastError += text ? text : "";
}

QString detailText()
{
    return QString::fromLocal8Bit(lastError.c_str()).trimmed();
}

QString ignoredNote(const QString &why, const QString &detail = QString())
{
    QString note = colourTexts::tr("埋め込みのICCプロファイルは%1ため無視し、sRGB として表示しています。").arg(why);
    if (!detail.isEmpty())
        note += colourTexts::tr("（%1）").arg(detail);
    return note;
}

QString signatureText(cmsUInt32Number signature)
{
    QByteArray text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text += char((signature >> shift) & 0xFF);
    return QString::fromLatin1(text).trimmed();
}

QString profileDescription(cmsHPROFILE profile)
{
    const cmsUInt32Number needed = cmsGetProfileInfo(profile, cmsInfoDescription, "ja", "JP", nullptr, 0);
    if (needed == 0 || needed > 4096 * sizeof(wchar_t))
        return {};
    std::vector<wchar_t> text(needed / sizeof(wchar_t) + 1, L'\0');
    cmsGetProfileInfo(profile, cmsInfoDescription, "ja", "JP", text.data(), cmsUInt32Number(text.size() * sizeof(wchar_t)));
    return QString::fromWCharArray(text.data()).trimmed();
}

// A row of colours: a grid through the cube and the whole grey axis.
QImage sampleColours()
{
    std::vector<QRgb> colours;
    for (int r = 0; r <= 255; r += 17)
        for (int g = 0; g <= 255; g += 17)
            for (int b = 0; b <= 255; b += 17)
                colours.push_back(qRgb(r, g, b));
    for (int v = 0; v <= 255; ++v)
        colours.push_back(qRgb(v, v, v));
    QImage row(int(colours.size()), 1, QImage::Format_RGB32);
    std::copy(colours.begin(), colours.end(), reinterpret_cast<QRgb *>(row.scanLine(0)));
    return row;
}

// Within one step of every channel on those colours: the profile is sRGB as far as 8-bit pixels
// can tell.
bool keepsColours(const displayTransform &transform)
{
    const QImage in = sampleColours();
    const QImage out = transform.applied(in);
    const auto *p = reinterpret_cast<const QRgb *>(in.constScanLine(0));
    const auto *q = reinterpret_cast<const QRgb *>(out.constScanLine(0));
    for (int x = 0; x < in.width(); ++x)
        if (std::abs(qRed(p[x]) - qRed(q[x])) > 1 || std::abs(qGreen(p[x]) - qGreen(q[x])) > 1
            || std::abs(qBlue(p[x]) - qBlue(q[x])) > 1)
            return false;
    return true;
}

struct profileHandles {
    cmsHPROFILE picture = nullptr, srgb = nullptr;
    ~profileHandles()
    {
        if (picture) cmsCloseProfile(picture);
        if (srgb) cmsCloseProfile(srgb);
    }
};

} // namespace

struct displayTransform::built {
    static displayColours make(const QByteArray &profile)
    {
        displayColours colours;
        if (profile.isEmpty())
            return colours;
        lastError.clear();
        std::shared_ptr<displayTransform> made(new displayTransform);
        const cmsContext context = cmsCreateContext(nullptr, nullptr);
        made->context = context;
        if (!context) {
            colours.note = ignoredNote(colourTexts::tr("読み込むメモリが足りない"));
            return colours;
        }
        cmsSetLogErrorHandlerTHR(context, keepError);
        profileHandles handles;
        handles.picture = cmsOpenProfileFromMemTHR(context, profile.constData(), cmsUInt32Number(profile.size()));
        if (!handles.picture) {
            colours.note = ignoredNote(colourTexts::tr("壊れている"), detailText());
            return colours;
        }
        const cmsProfileClassSignature deviceClass = cmsGetDeviceClass(handles.picture);
        const cmsColorSpaceSignature space = cmsGetColorSpace(handles.picture);
        if (deviceClass != cmsSigInputClass && deviceClass != cmsSigDisplayClass
            && deviceClass != cmsSigOutputClass && deviceClass != cmsSigColorSpaceClass) {
            colours.note = ignoredNote(colourTexts::tr("画像の色を表すもの（%1）ではない").arg(signatureText(deviceClass)));
            return colours;
        }
        if (space != cmsSigRgbData && space != cmsSigGrayData) {
            colours.note = ignoredNote(colourTexts::tr("この画像の色に使えない色空間（%1）の").arg(signatureText(space)));
            return colours;
        }
        handles.srgb = cmsCreate_sRGBProfileTHR(context);
        const QString name = profileDescription(handles.picture);
        // No threads of LittleCMS's own and no one-pixel cache: every conversion runs on the
        // calling thread from the pixels it is given.
        const cmsUInt32Number flags = cmsFLAGS_COPY_ALPHA | cmsFLAGS_NOCACHE;
        if (space == cmsSigRgbData) {
            if (findShares(context, handles.picture, *made)) {
                made->how = method::shares;
            } else {
                made->transform = cmsCreateTransformTHR(context, handles.picture, pixelType, handles.srgb,
                                                        pixelType, INTENT_PERCEPTUAL, flags);
                if (!made->transform) {
                    colours.note = ignoredNote(colourTexts::tr("壊れている"), detailText());
                    return colours;
                }
                made->how = method::general;
            }
            colours.profileName = name;
            if (!keepsColours(*made))
                colours.transform = std::move(made);
            return colours;
        }
        // A grey profile (a greyscale original, now held as three equal channels): its tone
        // curve to sRGB, applied to each channel alike.
        cmsHTRANSFORM grey = cmsCreateTransformTHR(context, handles.picture, TYPE_GRAY_8, handles.srgb,
                                                   TYPE_RGB_8, INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
        if (!grey) {
            colours.note = ignoredNote(colourTexts::tr("壊れている"), detailText());
            return colours;
        }
        made->how = method::tone;
        std::uint8_t levels[256], rgb[256 * 3];
        for (int v = 0; v < 256; ++v)
            levels[v] = std::uint8_t(v);
        cmsDoTransform(grey, levels, rgb, 256);
        cmsDeleteTransform(grey);
        bool same = true;
        for (int v = 0; v < 256; ++v) {
            made->toneTable[std::size_t(v)] = rgb[v * 3 + 1];
            same = same && std::abs(int(rgb[v * 3 + 1]) - v) <= 1;
        }
        colours.profileName = name;
        if (!same)
            colours.transform = std::move(made);
        return colours;
    }

    // The shares of linear sRGB light each channel value of the picture's space gives, when the
    // perceptual conversion is one sum of them for every colour (profiles of a matrix and three
    // curves); false when it is not, or a conversion cannot be made.
    static bool findShares(cmsContext context, cmsHPROFILE picture, displayTransform &made)
    {
        // Linear sRGB: sRGB's white and primaries with straight curves. In floating point
        // LittleCMS converts into it without clipping, so out-of-gamut shares add up exactly.
        const cmsCIExyY d65{0.3127, 0.3290, 1.0};
        const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
        cmsToneCurve *straight = cmsBuildGamma(context, 1.0);
        if (!straight)
            return false;
        cmsToneCurve *curves[3] = {straight, straight, straight};
        cmsHPROFILE linear = cmsCreateRGBProfileTHR(context, &d65, &primaries, curves);
        cmsFreeToneCurve(straight);
        if (!linear)
            return false;
        cmsHPROFILE srgb = cmsCreate_sRGBProfileTHR(context);
        cmsHTRANSFORM toLinear = cmsCreateTransformTHR(context, picture, TYPE_RGB_DBL, linear, TYPE_RGB_DBL,
                                                       INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
        cmsHTRANSFORM encode = srgb ? cmsCreateTransformTHR(context, linear, TYPE_RGB_DBL, srgb, TYPE_RGB_8,
                                                            INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOCACHE)
                                    : nullptr;
        cmsCloseProfile(linear);
        if (srgb)
            cmsCloseProfile(srgb);
        bool found = false;
        if (toLinear && encode)
            found = sharesOf(toLinear, encode, made);
        if (toLinear)
            cmsDeleteTransform(toLinear);
        if (encode)
            cmsDeleteTransform(encode);
        return found;
    }

    static bool sharesOf(cmsHTRANSFORM toLinear, cmsHTRANSFORM encode, displayTransform &made)
    {
        const auto convert = [&](double r, double g, double b, double *out) {
            const double in[3] = {r / 255.0, g / 255.0, b / 255.0};
            cmsDoTransform(toLinear, in, out, 1);
        };
        double black[3];
        convert(0, 0, 0, black);
        std::array<std::array<double, 3>, 256> shares[3];
        for (int channel = 0; channel < 3; ++channel)
            for (int v = 0; v < 256; ++v) {
                double value[3] = {0, 0, 0}, in[3] = {0, 0, 0};
                in[channel] = v;
                convert(in[0], in[1], in[2], value);
                for (int c = 0; c < 3; ++c)
                    shares[channel][std::size_t(v)][std::size_t(c)] = value[c] - (channel > 0 ? black[c] : 0.0);
            }
        // The sum must give the conversion itself, checked on a grid through the cube.
        for (int r = 0; r <= 255; r += 51)
            for (int g = 0; g <= 255; g += 51)
                for (int b = 0; b <= 255; b += 51) {
                    double value[3];
                    convert(r, g, b, value);
                    for (std::size_t c = 0; c < 3; ++c) {
                        const double sum = shares[0][std::size_t(r)][c] + shares[1][std::size_t(g)][c]
                                         + shares[2][std::size_t(b)][c];
                        if (!(std::abs(sum - value[c]) < 1e-4))
                            return false;
                    }
                }
        const double unit = double(encodingSteps - 1) * (1 << shareBits);
        for (std::size_t channel = 0; channel < 3; ++channel)
            for (std::size_t v = 0; v < 256; ++v)
                for (std::size_t c = 0; c < 3; ++c) {
                    const double share = std::clamp(shares[channel][v][c] * unit, -1e8, 1e8);
                    // The red share also carries the half step that rounds the sum.
                    made.channelShares[channel][v].part[c] =
                        std::int32_t(std::lround(share)) + (channel == 0 ? 1 << (shareBits - 1) : 0);
                }
        std::vector<double> greys(std::size_t(encodingSteps) * 3);
        for (int i = 0; i < encodingSteps; ++i)
            greys[std::size_t(i) * 3] = greys[std::size_t(i) * 3 + 1] = greys[std::size_t(i) * 3 + 2] =
                double(i) / (encodingSteps - 1);
        std::vector<std::uint8_t> encoded(greys.size());
        cmsDoTransform(encode, greys.data(), encoded.data(), cmsUInt32Number(encodingSteps));
        for (std::size_t i = 0; i < std::size_t(encodingSteps); ++i)
            made.encoding[i] = encoded[i * 3 + 1];
        return true;
    }
};

displayTransform::~displayTransform()
{
    if (transform)
        cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform));
    if (context)
        cmsDeleteContext(static_cast<cmsContext>(context));
}

void displayTransform::convertRows(const QImage &from, QImage &to) const
{
    const int width = from.width(), height = from.height();
    const uchar *source = from.constBits();
    uchar *target = to.bits(); // the same bytes as source when converting in place
    constexpr int fourthByte = 6 - blueByte - greenByte - redByte;
    switch (how) {
    case method::general:
        cmsDoTransformLineStride(static_cast<cmsHTRANSFORM>(transform), source, target, cmsUInt32Number(width),
                                 cmsUInt32Number(height), cmsUInt32Number(from.bytesPerLine()),
                                 cmsUInt32Number(to.bytesPerLine()), 0, 0);
        return;
    case method::shares: {
        constexpr std::uint32_t top = encodingSteps - 1;
        const auto step = [&](std::int32_t sum) {
            std::uint32_t at = std::uint32_t(sum >> shareBits);
            if (at > top) // outside sRGB: clipped (rare in photos, so a branch)
                at = sum < 0 ? 0 : top;
            return encoding[at];
        };
        for (int y = 0; y < height; ++y) {
            const uchar *p = source + qsizetype(y) * from.bytesPerLine();
            uchar *q = target + qsizetype(y) * to.bytesPerLine();
            for (int x = 0; x < width; ++x, p += 4, q += 4) {
                const share &r = channelShares[0][p[redByte]];
                const share &g = channelShares[1][p[greenByte]];
                const share &b = channelShares[2][p[blueByte]];
                std::int32_t sum[4];
                for (int c = 0; c < 4; ++c)
                    sum[c] = r.part[c] + g.part[c] + b.part[c];
                const uchar fourth = p[fourthByte];
                const uchar red = step(sum[0]), green = step(sum[1]), blue = step(sum[2]);
                q[redByte] = red;
                q[greenByte] = green;
                q[blueByte] = blue;
                q[fourthByte] = fourth;
            }
        }
        return;
    }
    case method::tone:
        for (int y = 0; y < height; ++y) {
            const uchar *p = source + qsizetype(y) * from.bytesPerLine();
            uchar *q = target + qsizetype(y) * to.bytesPerLine();
            for (int x = 0; x < width; ++x, p += 4, q += 4) {
                const uchar fourth = p[fourthByte];
                q[blueByte] = toneTable[p[blueByte]];
                q[greenByte] = toneTable[p[greenByte]];
                q[redByte] = toneTable[p[redByte]];
                q[fourthByte] = fourth;
            }
        }
        return;
    }
}

namespace {
bool convertible(const QImage &bitmap)
{
    return !bitmap.isNull()
        && (bitmap.format() == QImage::Format_RGB32 || bitmap.format() == QImage::Format_ARGB32);
}
} // namespace

void displayTransform::apply(QImage &bitmap) const
{
    if (!convertible(bitmap))
        return;
    bitmap.detach();
    convertRows(bitmap, bitmap);
}

QImage displayTransform::applied(const QImage &bitmap) const
{
    QImage out;
    applyInto(bitmap, out);
    return out;
}

void displayTransform::applyInto(const QImage &bitmap, QImage &target) const
{
    if (!convertible(bitmap)) {
        target = bitmap;
        return;
    }
    if (target.size() != bitmap.size() || target.format() != bitmap.format() || !target.isDetached())
        target = QImage(bitmap.size(), bitmap.format());
    if (target.isNull()) {
        target = bitmap; // no memory for a copy: shown unconverted rather than not at all
        return;
    }
    convertRows(bitmap, target);
}

displayColours displayColoursFor(const QByteArray &profile)
{
    if (profile.isEmpty())
        return {};
    // Most recently used first; a few profiles cover the five open pictures and their history.
    static std::vector<std::pair<QByteArray, displayColours>> kept;
    constexpr std::size_t keptMost = 8;
    const auto found = std::find_if(kept.begin(), kept.end(), [&](const auto &entry) { return entry.first == profile; });
    if (found != kept.end()) {
        std::rotate(kept.begin(), found, found + 1);
        return kept.front().second;
    }
    displayColours colours = displayTransform::built::make(profile);
    kept.insert(kept.begin(), {profile, colours});
    if (kept.size() > keptMost)
        kept.pop_back();
    return colours;
}

displayColours displayColoursFor(const pictureMetadata &metadata)
{
    const QByteArray profile = metadata.iccProfile();
    if (!profile.isEmpty())
        return displayColoursFor(profile);
    displayColours colours;
    const QByteArray signature("ICC_PROFILE\0", 12);
    for (const metadataSegment &s : metadata.segments)
        if (s.marker == 0xE2 && s.payload.startsWith(signature)) {
            colours.note = ignoredNote(colourTexts::tr("分割された部分がそろっていない"));
            break;
        }
    return colours;
}

void toDisplay(const displayTransform *transform, QImage &bitmap)
{
    if (transform)
        transform->apply(bitmap);
}

const QImage &displayCopy::of(const QImage &source, const std::shared_ptr<const displayTransform> &transform)
{
    if (!transform) {
        clear();
        return source;
    }
    if (converted.isNull() || convertedBy != transform || sourceKey != source.cacheKey()
        || converted.size() != source.size()) {
        transform->applyInto(source, converted);
        sourceKey = source.cacheKey();
        convertedBy = transform;
    }
    return converted;
}

void displayCopy::clear()
{
    converted = QImage();
    sourceKey = 0;
    convertedBy.reset();
}

QString profileInfoText(const displayColours &colours)
{
    if (!colours.note.isEmpty())
        return colours.note;
    if (colours.profileName.isEmpty() && !colours.transform)
        return colourTexts::tr("なし（sRGB として表示）");
    const QString name = colours.profileName.isEmpty() ? colourTexts::tr("名前のないプロファイル") : colours.profileName;
    return colours.transform ? name + colourTexts::tr("（sRGB に変換して表示）") : name;
}
