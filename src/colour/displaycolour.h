// Showing pictures in their own colours: a picture whose file embeds an ICC profile holds its
// pixels in that profile's space (Adobe RGB, a camera's wide space), while the screen and the
// printed page are taken to be sRGB. Every view converts its view-sized copy from the picture's
// space to sRGB (perceptual intent) through LittleCMS 2; the picture's own pixels, on which every
// operation works, are never converted.
//
// A picture without a profile, or with one that is sRGB to within one step of every channel,
// needs no conversion: its transform is nullptr and its copies are shown byte for byte. A profile
// that cannot be used (broken, of another colour space, split into chunks that do not fit) is
// ignored the same way, with a note for the information page saying why.
//
// Transforms are built once per profile and kept (a few, most recently used first); building and
// converting run on the calling thread, the user-interface thread of the window.
#pragma once
#include "imagedata/picturemetadata.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

// One conversion from a picture's space to sRGB, for Format_RGB32 bitmaps (blue, green, red and
// a fourth byte, which is kept).
class displayTransform {
public:
    ~displayTransform();
    displayTransform(const displayTransform &) = delete;
    displayTransform &operator=(const displayTransform &) = delete;

    // Converts bitmap in place; other formats than Format_RGB32 / ARGB32 are left as they are.
    void apply(QImage &bitmap) const;
    // A converted copy; a bitmap that is not Format_RGB32 / ARGB32 comes back as it is.
    QImage applied(const QImage &bitmap) const;
    // The same into target, reusing its memory when it has bitmap's size and format.
    void applyInto(const QImage &bitmap, QImage &target) const;

    struct built; // what building a transform from a profile gives (the .cpp's)

private:
    displayTransform() = default;
    void convertRows(const QImage &from, QImage &to) const;

    // How the pixels are converted. Most RGB profiles (matrix and curves) turn each channel into
    // a share of linear sRGB light on its own: the shares of the three channels (channelShares)
    // are added and encoded by a table (encoding), far quicker than LittleCMS's general 8-bit
    // path, which the others take (transform). A grey profile's curve is applied to each channel
    // alike (toneTable).
    enum class method { shares, general, tone };
    method how = method::general;
    void *context = nullptr;   // cmsContext of transform
    void *transform = nullptr; // cmsHTRANSFORM from the picture's RGB space, for method::general
    static constexpr int encodingSteps = 16384; // linear light 0..1 in encoding's entries
    static constexpr int shareBits = 4;        // fraction bits of a share below one step
    // [channel][value] -> red, green, blue shares and a zero, four to a 16-byte line so that
    // the three are added in one vector step.
    struct alignas(16) share {
        std::int32_t part[4];
    };
    std::array<share, 256> channelShares[3]{};
    std::array<std::uint8_t, encodingSteps> encoding{};
    std::array<std::uint8_t, 256> toneTable{};

    friend struct built;
};

struct displayColours {
    std::shared_ptr<const displayTransform> transform; // nullptr: shown as it is (sRGB)
    QString profileName; // the profile's own description; empty without a usable profile
    QString note;        // why a profile of the picture is not used; empty when it is or there is none
};

// The display colours of a profile (the bytes of an ICC profile; empty for none). Built on the
// first request and kept for the next ones.
displayColours displayColoursFor(const QByteArray &profile);
// The same for a picture's metadata: its joined ICC chunks; chunks that do not join into one
// profile give a note.
displayColours displayColoursFor(const pictureMetadata &metadata);

// Converts bitmap in place through transform; nothing for nullptr.
void toDisplay(const displayTransform *transform, QImage &bitmap);

// The displayed copy of one view bitmap, converted again only when the bitmap or the transform
// has changed since the last call (a QImage's cacheKey changes whenever it is written to).
class displayCopy {
public:
    // source itself when transform is nullptr, else its converted copy.
    const QImage &of(const QImage &source, const std::shared_ptr<const displayTransform> &transform);
    void clear();

private:
    QImage converted;
    qint64 sourceKey = 0;
    std::shared_ptr<const displayTransform> convertedBy;
};

// The information page's line about the picture's profile: the profile's name (or that there is
// none and the picture is shown as sRGB), and the note of a profile that is ignored.
QString profileInfoText(const displayColours &colours);
