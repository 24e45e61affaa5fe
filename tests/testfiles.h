// Whole files for the tests: written and read back in one call.
#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>

// Writes bytes as the whole file; false when it cannot be opened or written completely.
inline bool writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The whole file, or nothing when it cannot be opened.
inline QByteArray readFile(const QString &name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// ---- JPEG files as cameras store them, and their stored blocks -----------------------------------
#include <QImage>
#include <csetjmp>
#include <cstdio> // before jpeglib.h, which uses FILE
#include <jpeglib.h>
#include <vector>

namespace testfiles_detail {
struct jpegFailure {
    jpeg_error_mgr manager;
    std::jmp_buf back;
};
inline void jumpBack(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<jpegFailure *>(info->err)->back, 1);
}
} // namespace testfiles_detail

// A baseline JPEG of the picture through libjpeg at quality, its chroma stored at half width and
// height (4:2:0) or whole (4:4:4); with inks, the four plain inks of a print shop's file (CMYK,
// no Adobe marker). Empty when libjpeg fails.
inline QByteArray cameraJpeg(const QImage &picture, int quality, bool subsampled, bool inks = false)
{
    QImage rgb = picture.convertToFormat(inks ? QImage::Format_RGBX8888 : QImage::Format_RGB888);
    if (inks)
        for (int y = 0; y < rgb.height(); ++y) {
            uchar *p = rgb.scanLine(y);
            for (int x = 0; x < rgb.width() * 4; x += 4) {
                p[x] = uchar(255 - p[x]), p[x + 1] = uchar(255 - p[x + 1]), p[x + 2] = uchar(255 - p[x + 2]);
                p[x + 3] = 0; // no black
            }
        }
    jpeg_compress_struct c{};
    testfiles_detail::jpegFailure failure{};
    c.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = testfiles_detail::jumpBack;
    unsigned char *out = nullptr;
    unsigned long size = 0;
    if (setjmp(failure.back)) {
        jpeg_destroy_compress(&c);
        std::free(out);
        return {};
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(rgb.width());
    c.image_height = JDIMENSION(rgb.height());
    c.input_components = inks ? 4 : 3;
    c.in_color_space = inks ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    c.write_Adobe_marker = FALSE;
    c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = subsampled ? 2 : 1;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.constScanLine(int(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray bytes(reinterpret_cast<const char *>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

// The stored blocks of a JPEG file: per component its width and height in blocks and every
// block's 64 quantised coefficients (row by row, each block in natural order: vertical frequency
// times 8 plus horizontal). Empty when libjpeg cannot read it.
struct jpegBlocks {
    struct component {
        int wide = 0, high = 0;
        std::vector<short> values; // 64 a block
        const short *block(int bx, int by) const { return values.data() + (std::size_t(by) * wide + bx) * 64; }
    };
    std::vector<component> components;
};
inline jpegBlocks readJpegBlocks(const QByteArray &jpeg)
{
    jpeg_decompress_struct d{};
    testfiles_detail::jpegFailure failure{};
    d.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = testfiles_detail::jumpBack;
    jpegBlocks blocks;
    if (setjmp(failure.back)) {
        jpeg_destroy_decompress(&d);
        return {};
    }
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char *>(jpeg.constData()), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&d, TRUE);
    jvirt_barray_ptr *arrays = jpeg_read_coefficients(&d);
    for (int i = 0; i < d.num_components; ++i) {
        const jpeg_component_info &info = d.comp_info[i];
        jpegBlocks::component c;
        c.wide = int(info.width_in_blocks);
        c.high = int(info.height_in_blocks);
        for (int by = 0; by < c.high; ++by) {
            JBLOCKARRAY row = d.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&d), arrays[i], JDIMENSION(by), 1, FALSE);
            for (int bx = 0; bx < c.wide; ++bx) c.values.insert(c.values.end(), row[0][bx], row[0][bx] + 64);
        }
        blocks.components.push_back(std::move(c));
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return blocks;
}

// A little-endian camera record (the TIFF structure an EXIF block holds, without "Exif\0\0"):
// IFD0 with Make and Orientation.
inline QByteArray cameraRecord(const QByteArray &make, int orientation)
{
    QByteArray t("II\x2A\x00\x08\x00\x00\x00\x02\x00", 10);
    const auto entry = [&t](int tag, int type, int count, int value) {
        for (const int v : {tag & 0xFF, tag >> 8, type, 0, count & 0xFF, count >> 8, 0, 0, value & 0xFF, value >> 8, 0, 0})
            t += char(v);
    };
    entry(0x010F, 2, int(make.size()) + 1, 38); // after the two entries and the next-directory link
    entry(0x0112, 3, 1, orientation);
    t += QByteArray(4, '\0') + make + '\0';
    return t;
}

// ---- JPEG XL files made with libjxl's own encoder ----------------------------------------------
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
