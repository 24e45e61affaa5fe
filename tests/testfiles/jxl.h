// JPEG XL files made with libjxl's own encoder, and a small camera record for them.
#pragma once
#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <vector>

#include <jxl/encode.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct jxlLayout {
    int width = 0, height = 0;
    int bits = 8;           // 8 or 16 a sample
    bool grey = false;      // one colour channel instead of three
    bool alpha = false;     // an alpha channel after the colours
    float distance = 0;     // 0 lossless, else lossy at that Butteraugli distance
    int orientation = 1;    // the codestream's own
    QByteArray exif;        // a TIFF record, boxed after a four-byte offset of exifOffset
    int exifOffset = 0;     // bytes of filler between the offset and the record
    QByteArray xmp;         // an "xml " box
    int canvasWidth = 0, canvasHeight = 0; // a larger canvas the picture is a cropped frame of
    int hiddenFrames = 0;   // an animation: frames of 4 x 4 pixels and no duration before the picture
};

// The file of the layout; sample(x, y, c) is channel c (colours, then alpha) at x, y, 0..255 or
// 0..65535 by bits. Empty when libjxl refuses the layout.
inline QByteArray jxlFile(const jxlLayout &l, const std::function<std::uint32_t(int, int, int)> &sample)
{
    const std::unique_ptr<JxlEncoder, void (*)(JxlEncoder *)> owner(JxlEncoderCreate(nullptr), JxlEncoderDestroy);
    JxlEncoder *e = owner.get();
    const int colours = l.grey ? 1 : 3, channels = colours + (l.alpha ? 1 : 0), bytes = l.bits / 8;
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = std::uint32_t(l.canvasWidth ? l.canvasWidth : l.width);
    info.ysize = std::uint32_t(l.canvasHeight ? l.canvasHeight : l.height);
    info.bits_per_sample = std::uint32_t(l.bits);
    info.num_color_channels = std::uint32_t(colours);
    info.num_extra_channels = l.alpha ? 1 : 0;
    info.alpha_bits = l.alpha ? std::uint32_t(l.bits) : 0;
    info.orientation = JxlOrientation(l.orientation);
    info.uses_original_profile = l.distance == 0 ? JXL_TRUE : JXL_FALSE;
    info.have_animation = l.hiddenFrames > 0 ? JXL_TRUE : JXL_FALSE;
    info.animation.tps_numerator = 10;
    info.animation.tps_denominator = 1;
    if (JxlEncoderSetBasicInfo(e, &info) != JXL_ENC_SUCCESS)
        return {};
    JxlColorEncoding colour;
    JxlColorEncodingSetToSRGB(&colour, l.grey ? JXL_TRUE : JXL_FALSE);
    if (JxlEncoderSetColorEncoding(e, &colour) != JXL_ENC_SUCCESS)
        return {};
    if (!l.exif.isEmpty() || !l.xmp.isEmpty()) {
        JxlEncoderUseBoxes(e);
        if (!l.exif.isEmpty()) {
            const std::uint32_t o = std::uint32_t(l.exifOffset);
            const QByteArray box = QByteArray(1, char(o >> 24)) + char(o >> 16) + char(o >> 8) + char(o)
                                   + QByteArray(l.exifOffset, 'x') + l.exif;
            JxlEncoderAddBox(e, "Exif", reinterpret_cast<const std::uint8_t *>(box.constData()), std::size_t(box.size()), JXL_FALSE);
        }
        if (!l.xmp.isEmpty())
            JxlEncoderAddBox(e, "xml ", reinterpret_cast<const std::uint8_t *>(l.xmp.constData()), std::size_t(l.xmp.size()), JXL_TRUE);
        JxlEncoderCloseBoxes(e);
    }
    JxlEncoderFrameSettings *settings = JxlEncoderFrameSettingsCreate(e, nullptr);
    if (l.distance == 0)
        JxlEncoderSetFrameLossless(settings, JXL_TRUE);
    else
        JxlEncoderSetFrameDistance(settings, l.distance);
    const JxlPixelFormat format{std::uint32_t(channels), l.bits == 16 ? JXL_TYPE_UINT16 : JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    const auto frameOf = [&](int width, int height, std::uint32_t duration) {
        JxlFrameHeader frame;
        JxlEncoderInitFrameHeader(&frame);
        frame.duration = duration;
        frame.layer_info.have_crop = l.canvasWidth ? JXL_TRUE : JXL_FALSE;
        frame.layer_info.xsize = std::uint32_t(width);
        frame.layer_info.ysize = std::uint32_t(height);
        return (!l.canvasWidth && !l.hiddenFrames) || JxlEncoderSetFrameHeader(settings, &frame) == JXL_ENC_SUCCESS;
    };
    const std::vector<std::uint8_t> small(std::size_t(16) * channels * bytes, 0x55);
    for (int i = 0; i < l.hiddenFrames; ++i)
        if (!frameOf(4, 4, 0) || JxlEncoderAddImageFrame(settings, &format, small.data(), small.size()) != JXL_ENC_SUCCESS)
            return {};
    if (!frameOf(l.width, l.height, 1))
        return {};
    std::vector<std::uint8_t> pixels(std::size_t(l.width) * l.height * channels * bytes);
    for (int y = 0; y < l.height; ++y)
        for (int x = 0; x < l.width; ++x)
            for (int c = 0; c < channels; ++c) {
                const std::uint32_t v = sample(x, y, c);
                std::uint8_t *at = pixels.data() + ((std::size_t(y) * l.width + x) * channels + c) * bytes;
                if (bytes == 2)
                    *reinterpret_cast<std::uint16_t *>(at) = std::uint16_t(v);
                else
                    *at = std::uint8_t(v);
            }
    if (JxlEncoderAddImageFrame(settings, &format, pixels.data(), pixels.size()) != JXL_ENC_SUCCESS)
        return {};
    JxlEncoderCloseInput(e);
    QByteArray out(1 << 16, '\0');
    std::size_t used = 0;
    for (;;) {
        auto *next = reinterpret_cast<std::uint8_t *>(out.data()) + used;
        std::size_t left = std::size_t(out.size()) - used;
        const JxlEncoderStatus status = JxlEncoderProcessOutput(e, &next, &left);
        used = std::size_t(out.size()) - left;
        if (status == JXL_ENC_SUCCESS)
            break;
        if (status != JXL_ENC_NEED_MORE_OUTPUT)
            return {};
        out.resize(out.size() * 2);
    }
    out.truncate(qsizetype(used));
    return out;
}
