// JPEG files as cameras store them (libjpeg), and their stored blocks.
#pragma once
#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <vector>

#include <QImage>
#include <csetjmp>
#include <cstdlib>
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

// A JPEG of a picture with fine detail coded by libjpeg with its defaults (quality 95), as YCbCr
// or as CMYK (with libjpeg's Adobe marker).
inline QByteArray detailedJpeg(int width, int height, bool cmyk)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = cmyk ? 4 : 3;
    cinfo.in_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(std::size_t(width) * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width * cinfo.input_components; ++x)
            row[std::size_t(x)] = static_cast<unsigned char>((x * 37 + y * 91 + x * y) & 0xFF);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
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

enum class jpegKind { grey, progressive, adobeCmyk, plainCmyk, adobeYcck };

// Encodes a JPEG of the given kind with libjpeg. For grey the picture's green channel is stored;
// for CMYK the inks are stored inverted as Adobe writers do.
inline QByteArray makeJpeg(const QImage &picture, jpegKind kind)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width());
    cinfo.image_height = static_cast<JDIMENSION>(picture.height());
    int components = 3;
    if (kind == jpegKind::grey) {
        cinfo.input_components = components = 1;
        cinfo.in_color_space = JCS_GRAYSCALE;
    } else if (kind == jpegKind::adobeCmyk || kind == jpegKind::plainCmyk || kind == jpegKind::adobeYcck) {
        cinfo.input_components = components = 4;
        cinfo.in_color_space = JCS_CMYK;
    } else {
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
    }
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (kind == jpegKind::progressive)
        jpeg_simple_progression(&cinfo);
    if (kind == jpegKind::plainCmyk)
        cinfo.write_Adobe_marker = FALSE;
    if (kind == jpegKind::adobeYcck)
        jpeg_set_colorspace(&cinfo, JCS_YCCK); // the inks stored as luma/chroma plus black
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(picture.width() * components));
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = picture.pixel(x, y);
            JSAMPLE *p = row.data() + x * components;
            if (kind == jpegKind::grey) {
                p[0] = static_cast<JSAMPLE>(qGreen(c));
            } else if (kind == jpegKind::adobeCmyk || kind == jpegKind::adobeYcck) {
                // no black ink: C = 255 - R etc., stored inverted, so the stored value is R itself
                p[0] = static_cast<JSAMPLE>(qRed(c));
                p[1] = static_cast<JSAMPLE>(qGreen(c));
                p[2] = static_cast<JSAMPLE>(qBlue(c));
                p[3] = 255;
            } else if (kind == jpegKind::plainCmyk) {
                // inks stored as they are: C = 255 - R, no black
                p[0] = static_cast<JSAMPLE>(255 - qRed(c));
                p[1] = static_cast<JSAMPLE>(255 - qGreen(c));
                p[2] = static_cast<JSAMPLE>(255 - qBlue(c));
                p[3] = 0;
            } else {
                p[0] = static_cast<JSAMPLE>(qRed(c));
                p[1] = static_cast<JSAMPLE>(qGreen(c));
                p[2] = static_cast<JSAMPLE>(qBlue(c));
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray data(reinterpret_cast<const char *>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return data;
}
