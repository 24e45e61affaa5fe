#include "displaycolour.h"

#include <lcms2.h>

#include <QtEndian>
#include <algorithm>
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
    QString note = QStringLiteral("埋め込みのICCプロファイルは%1ため無視し、sRGB として表示しています。").arg(why);
    if (!detail.isEmpty())
        note += QStringLiteral("（%1）").arg(detail);
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

// Within one step of every channel on a grid through the cube and along the grey axis: the
// profile is sRGB as far as 8-bit pixels can tell.
bool keepsColours(cmsHTRANSFORM transform)
{
    std::vector<std::uint8_t> in;
    const auto add = [&](int r, int g, int b) {
        std::uint8_t pixel[4];
        pixel[blueByte] = std::uint8_t(b);
        pixel[greenByte] = std::uint8_t(g);
        pixel[redByte] = std::uint8_t(r);
        pixel[6 - blueByte - greenByte - redByte] = 0xFF;
        in.insert(in.end(), pixel, pixel + 4);
    };
    for (int r = 0; r <= 255; r += 17)
        for (int g = 0; g <= 255; g += 17)
            for (int b = 0; b <= 255; b += 17)
                add(r, g, b);
    for (int v = 0; v <= 255; ++v)
        add(v, v, v);
    std::vector<std::uint8_t> out(in.size());
    cmsDoTransform(transform, in.data(), out.data(), cmsUInt32Number(in.size() / 4));
    for (std::size_t i = 0; i < in.size(); ++i)
        if (std::abs(int(in[i]) - int(out[i])) > 1)
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
            colours.note = ignoredNote(QStringLiteral("読み込むメモリが足りない"));
            return colours;
        }
        cmsSetLogErrorHandlerTHR(context, keepError);
        profileHandles handles;
        handles.picture = cmsOpenProfileFromMemTHR(context, profile.constData(), cmsUInt32Number(profile.size()));
        if (!handles.picture) {
            colours.note = ignoredNote(QStringLiteral("壊れている"), detailText());
            return colours;
        }
        const cmsProfileClassSignature deviceClass = cmsGetDeviceClass(handles.picture);
        const cmsColorSpaceSignature space = cmsGetColorSpace(handles.picture);
        if (deviceClass != cmsSigInputClass && deviceClass != cmsSigDisplayClass
            && deviceClass != cmsSigOutputClass && deviceClass != cmsSigColorSpaceClass) {
            colours.note = ignoredNote(QStringLiteral("画像の色を表すもの（%1）ではない").arg(signatureText(deviceClass)));
            return colours;
        }
        if (space != cmsSigRgbData && space != cmsSigGrayData) {
            colours.note = ignoredNote(QStringLiteral("この画像の色に使えない色空間（%1）の").arg(signatureText(space)));
            return colours;
        }
        handles.srgb = cmsCreate_sRGBProfileTHR(context);
        const QString name = profileDescription(handles.picture);
        // No threads of LittleCMS's own and no one-pixel cache: every conversion runs on the
        // calling thread from the pixels it is given.
        const cmsUInt32Number flags = cmsFLAGS_COPY_ALPHA | cmsFLAGS_NOCACHE;
        if (space == cmsSigRgbData) {
            made->transform = cmsCreateTransformTHR(context, handles.picture, pixelType, handles.srgb,
                                                    pixelType, INTENT_PERCEPTUAL, flags);
            if (!made->transform) {
                colours.note = ignoredNote(QStringLiteral("壊れている"), detailText());
                return colours;
            }
            colours.profileName = name;
            if (!keepsColours(made->transform))
                colours.transform = std::move(made);
            return colours;
        }
        // A grey profile (a greyscale original, now held as three equal channels): its tone
        // curve to sRGB, applied to each channel alike.
        cmsHTRANSFORM grey = cmsCreateTransformTHR(context, handles.picture, TYPE_GRAY_8, handles.srgb,
                                                   TYPE_RGB_8, INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
        if (!grey) {
            colours.note = ignoredNote(QStringLiteral("壊れている"), detailText());
            return colours;
        }
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
    if (transform) {
        cmsDoTransformLineStride(static_cast<cmsHTRANSFORM>(transform), source, target, cmsUInt32Number(width),
                                 cmsUInt32Number(height), cmsUInt32Number(from.bytesPerLine()),
                                 cmsUInt32Number(to.bytesPerLine()), 0, 0);
        return;
    }
    for (int y = 0; y < height; ++y) {
        const uchar *p = source + qsizetype(y) * from.bytesPerLine();
        uchar *q = target + qsizetype(y) * to.bytesPerLine();
        for (int x = 0; x < width; ++x, p += 4, q += 4) {
            const uchar fourth = p[6 - blueByte - greenByte - redByte];
            q[blueByte] = toneTable[p[blueByte]];
            q[greenByte] = toneTable[p[greenByte]];
            q[redByte] = toneTable[p[redByte]];
            q[6 - blueByte - greenByte - redByte] = fourth;
        }
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
    if (!convertible(bitmap))
        return bitmap;
    QImage out(bitmap.size(), bitmap.format());
    if (out.isNull())
        return bitmap; // no memory for a copy: shown unconverted rather than not at all
    convertRows(bitmap, out);
    return out;
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
            colours.note = ignoredNote(QStringLiteral("分割された部分がそろっていない"));
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
        converted = transform->applied(source);
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
        return QStringLiteral("なし（sRGB として表示）");
    const QString name = colours.profileName.isEmpty() ? QStringLiteral("名前のないプロファイル") : colours.profileName;
    return colours.transform ? name + QStringLiteral("（sRGB に変換して表示）") : name;
}
