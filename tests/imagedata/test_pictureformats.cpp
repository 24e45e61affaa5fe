// The formats beyond JPEG and BMP, on files made here by their own libraries and command-line
// encoders: each opens to its size and pixels (exact where the coding is lossless, within one
// level of the library's own decoder where it is not), each picture saved as PNG, TIFF and
// lossless WebP reads back unchanged with its camera record, XMP packet and colour profile
// (checked by exiftool), and each
// damaged file is refused with its name and nothing changed.
#include "testfiles.h"
#include "testfiles/picturedifference.h"
#include "imagedata/decodedpicture.h"
#include "imagedata/exifreader.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/picturesignature.h"
#include "imagedata/progress.h"
#include "imagedata/rawcoding.h"
#include "imagedata/webpcoding.h"
#include "imagedata/workerpool.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <png.h>
#include <tiffio.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstdio>
#include <algorithm>
#include <atomic>
#include <functional>
#include <optional>
#include <vector>

namespace {

constexpr int W = 37, H = 23; // odd sizes, so rows and tiles do not come out even

// The colours every generated file is made of.
std::uint32_t red(int x, int y) { return std::uint32_t(x * 7 + y * 3) & 0xFF; }
std::uint32_t green(int x, int y) { return std::uint32_t(x * y + 40) & 0xFF; }
std::uint32_t blue(int x, int y) { return std::uint32_t(255 - x * 5 - y) & 0xFF; }
std::uint32_t opacity(int x, int y) { return std::uint32_t(x * 13 + y * 29) & 0xFF; }
std::uint32_t deep(std::uint32_t v, int x) { return v * 256 + std::uint32_t(x); } // 16 bits, not v * 257

QImage pictureOf(int width, int height, const std::function<QRgb(int, int)> &pixel)
{
    QImage p(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            p.setPixel(x, y, pixel(x, y));
    return p;
}

QRgb overWhiteRgb(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a)
{
    return qRgb(overWhite(r, a), overWhite(g, a), overWhite(b, a));
}

QRgb plain(int x, int y) { return qRgb(int(red(x, y)), int(green(x, y)), int(blue(x, y))); }

// ---- files made with libpng ----------------------------------------------------------------

// Rows of samples written as they are (16-bit samples big-endian, as PNG stores them).
bool writePng(const QString &name, int colourType, int depth, bool interlaced, const std::function<std::uint32_t(int, int, int)> &sample,
              int channels, const std::vector<png_color> &palette = {}, const std::vector<png_byte> &transparency = {})
{
    FILE *file = std::fopen(QFile::encodeName(name).constData(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!file || setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, W, H, depth, colourType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    if (!transparency.empty())
        png_set_tRNS(png, info, transparency.data(), int(transparency.size()), nullptr);
    png_write_info(png, info);
    std::vector<std::vector<png_byte>> rows(H, std::vector<png_byte>(std::size_t(W) * channels * 2 + 1, 0));
    std::vector<png_bytep> pointers;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x)
            for (int c = 0; c < channels; ++c) {
                const std::uint32_t v = sample(x, y, c);
                const int at = x * channels + c;
                if (depth == 16) {
                    rows[y][2 * at] = png_byte(v >> 8);
                    rows[y][2 * at + 1] = png_byte(v);
                } else if (depth == 8) {
                    rows[y][at] = png_byte(v);
                } else { // packed, leftmost pixel in the high bits
                    rows[y][at * depth / 8] |= png_byte(v << (8 - depth - (at * depth) % 8));
                }
            }
        pointers.push_back(rows[y].data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return true;
}

// ---- files made with libtiff ---------------------------------------------------------------

struct tiffLayout {
    int photometric = PHOTOMETRIC_RGB, samples = 3, bits = 8, compression = COMPRESSION_NONE;
    int tile = 0;        // tile side, 0 for strips of five rows
    int extra = -1;      // EXTRASAMPLE_* of a fourth sample, or -1
    int orientation = 1;
};

bool writeTiff(const QString &name, const tiffLayout &l, const std::function<std::uint32_t(int, int, int)> &sample)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(name).constData(), "w");
    if (!tif)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, W);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, H);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, l.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, l.samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, l.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, l.compression);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, l.orientation);
    if (l.extra >= 0) {
        const uint16_t extra = uint16_t(l.extra);
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (l.compression == COMPRESSION_JPEG) {
        TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 90);
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    }
    const int bytes = l.bits / 8, pixel = l.samples * bytes;
    const auto put = [&](std::uint8_t *at, std::uint32_t v) {
        if (bytes == 2) {
            const uint16_t s = uint16_t(v);
            std::memcpy(at, &s, 2);
        } else {
            *at = std::uint8_t(v);
        }
    };
    bool ok = true;
    if (l.tile) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, l.tile);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, l.tile);
        std::vector<std::uint8_t> tile(std::size_t(l.tile) * l.tile * pixel);
        for (int ty = 0; ty < H; ty += l.tile)
            for (int tx = 0; tx < W; tx += l.tile) {
                std::fill(tile.begin(), tile.end(), 0);
                for (int y = ty; y < std::min(H, ty + l.tile); ++y)
                    for (int x = tx; x < std::min(W, tx + l.tile); ++x)
                        for (int c = 0; c < l.samples; ++c)
                            put(&tile[std::size_t(((y - ty) * l.tile + x - tx) * pixel + c * bytes)], sample(x, y, c));
                ok = ok && TIFFWriteTile(tif, tile.data(), uint32_t(tx), uint32_t(ty), 0, 0) >= 0;
            }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, l.compression == COMPRESSION_JPEG ? 8 : 5);
        std::vector<std::uint8_t> row(std::size_t(W) * pixel);
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x)
                for (int c = 0; c < l.samples; ++c)
                    put(&row[std::size_t(x * pixel + c * bytes)], sample(x, y, c));
            ok = ok && TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) == 1;
        }
    }
    TIFFClose(tif);
    return ok;
}

// A linear DNG as a camera would write one, 16 bits per sample, turned by Orientation 6.
bool writeDng(const QString &name)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(name).constData(), "w");
    if (!tif)
        return false;
    const uint8_t version[4] = {1, 4, 0, 0};
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const float neutral[3] = {1, 1, 1};
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, W);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, H);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, 34892); // linear raw
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, 6);
    TIFFSetField(tif, TIFFTAG_MAKE, "KorviaCam");
    TIFFSetField(tif, TIFFTAG_MODEL, "Tester");
    TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
    TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "KorviaCam Tester");
    TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, identity);
    TIFFSetField(tif, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, H);
    std::vector<uint16_t> row(std::size_t(W) * 3);
    bool ok = true;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) { // left half red, right half grey
            row[std::size_t(3 * x)] = x < W / 2 ? 40000 : 12000;
            row[std::size_t(3 * x + 1)] = x < W / 2 ? 2000 : 12000;
            row[std::size_t(3 * x + 2)] = x < W / 2 ? 2000 : 12000;
        }
        ok = ok && TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) == 1;
    }
    TIFFClose(tif);
    return ok;
}

bool run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " " << arguments.join(' ').toStdString() << ": " << p.readAllStandardError().toStdString();
        return false;
    }
    if (output)
        *output = p.readAllStandardOutput();
    return true;
}

QImage readWithQt(const QString &name)
{
    return QImage(name).convertToFormat(QImage::Format_RGB32);
}

struct formatCase {
    QString file;    // made by make()
    int type;        // what loadImageFile says it is
    QImage expected; // the picture as it should open (null: check only the size and colours)
    int tolerance;   // 0 lossless
};

class PictureFormats : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString at(const QString &name) const { return dir.filePath(name); }
};

} // namespace

TEST_F(PictureFormats, OpenSaveAndRefuse)
{
    ASSERT_TRUE(dir.isValid());
    const auto rgb = [](int x, int y, int c) { return c == 0 ? red(x, y) : c == 1 ? green(x, y) : blue(x, y); };
    const auto rgba = [&](int x, int y, int c) { return c == 3 ? opacity(x, y) : rgb(x, y, c); };
    const QImage source = pictureOf(W, H, plain);
    const QImage overWhiteSource = pictureOf(W, H, [](int x, int y) { return overWhiteRgb(red(x, y), green(x, y), blue(x, y), opacity(x, y)); });
    const QImage greySource = pictureOf(W, H, [](int x, int y) { return qRgb(int(red(x, y)), int(red(x, y)), int(red(x, y))); });
    const QImage deepSource = pictureOf(W, H, [](int x, int y) {
        return qRgb(eightBits(deep(red(x, y), x)), eightBits(deep(green(x, y), x)), eightBits(deep(blue(x, y), x)));
    });
    std::vector<formatCase> cases;

    // PNG: every colour type and depth, a palette with a transparent entry, interlaced.
    ASSERT_TRUE(writePng(at("grey1.png"), PNG_COLOR_TYPE_GRAY, 1, false, [](int x, int y, int) { return std::uint32_t((x + y) % 2); }, 1));
    cases.push_back({"grey1.png", pngPicture, pictureOf(W, H, [](int x, int y) { return (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0); }), 0});
    ASSERT_TRUE(writePng(at("grey8.png"), PNG_COLOR_TYPE_GRAY, 8, false, [](int x, int y, int) { return red(x, y); }, 1));
    cases.push_back({"grey8.png", pngPicture, greySource, 0});
    ASSERT_TRUE(writePng(at("rgb8-interlaced.png"), PNG_COLOR_TYPE_RGB, 8, true, rgb, 3));
    cases.push_back({"rgb8-interlaced.png", pngPicture, source, 0});
    ASSERT_TRUE(writePng(at("rgb16.png"), PNG_COLOR_TYPE_RGB, 16, false, [&](int x, int y, int c) { return deep(rgb(x, y, c), x); }, 3));
    cases.push_back({"rgb16.png", pngPicture, deepSource, 0});
    ASSERT_TRUE(writePng(at("rgba8.png"), PNG_COLOR_TYPE_RGB_ALPHA, 8, false, rgba, 4));
    cases.push_back({"rgba8.png", pngPicture, overWhiteSource, 0});
    std::vector<png_color> palette;
    for (int i = 0; i < 16; ++i)
        palette.push_back({png_byte(i * 16), png_byte(255 - i * 16), png_byte(i * 5)});
    ASSERT_TRUE(writePng(at("palette4.png"), PNG_COLOR_TYPE_PALETTE, 4, false, [](int x, int y, int) { return std::uint32_t(x + y) % 16; }, 1,
                         palette, {0, 128}));
    cases.push_back({"palette4.png", pngPicture, pictureOf(W, H, [&](int x, int y) {
                         const int i = (x + y) % 16;
                         const std::uint32_t a = i == 0 ? 0 : i == 1 ? 128 : 255;
                         return overWhiteRgb(palette[i].red, palette[i].green, palette[i].blue, a);
                     }), 0});

    // TIFF: strips and tiles, none, LZW, Deflate and JPEG, grey, RGB, CMYK, alpha, 16 bits, turned.
    ASSERT_TRUE(writeTiff(at("rgb8.tif"), {}, rgb));
    cases.push_back({"rgb8.tif", tiffPicture, source, 0});
    ASSERT_TRUE(writeTiff(at("rgb16-lzw-tiles.tiff"), {PHOTOMETRIC_RGB, 3, 16, COMPRESSION_LZW, 16}, [&](int x, int y, int c) { return deep(rgb(x, y, c), x); }));
    cases.push_back({"rgb16-lzw-tiles.tiff", tiffPicture, deepSource, 0});
    ASSERT_TRUE(writeTiff(at("grey8-deflate.tif"), {PHOTOMETRIC_MINISBLACK, 1, 8, COMPRESSION_ADOBE_DEFLATE}, [](int x, int y, int) { return red(x, y); }));
    cases.push_back({"grey8-deflate.tif", tiffPicture, greySource, 0});
    ASSERT_TRUE(writeTiff(at("cmyk.tif"), {PHOTOMETRIC_SEPARATED, 4, 8}, [&](int x, int y, int c) { return c == 3 ? 0u : 255 - rgb(x, y, c); }));
    cases.push_back({"cmyk.tif", tiffPicture, source, 0});
    ASSERT_TRUE(writeTiff(at("rgba.tif"), {PHOTOMETRIC_RGB, 4, 8, COMPRESSION_ADOBE_DEFLATE, 0, EXTRASAMPLE_UNASSALPHA}, rgba));
    cases.push_back({"rgba.tif", tiffPicture, overWhiteSource, 0});
    ASSERT_TRUE(writeTiff(at("turned.tif"), {PHOTOMETRIC_RGB, 3, 8, COMPRESSION_LZW, 0, -1, 6}, rgb));
    cases.push_back({"turned.tif", tiffPicture, source.transformed(QTransform().rotate(90)), 0});
    ASSERT_TRUE(writeTiff(at("jpeg.tif"), {PHOTOMETRIC_YCBCR, 3, 8, COMPRESSION_JPEG, 16}, rgb));
    {
        // The reference: libtiff's own RGBA reader on the same file.
        TIFF *tif = TIFFOpen(QFile::encodeName(at("jpeg.tif")).constData(), "r");
        ASSERT_TRUE(tif);
        std::vector<uint32_t> raster(std::size_t(W) * H);
        ASSERT_TRUE(TIFFReadRGBAImageOriented(tif, W, H, raster.data(), ORIENTATION_TOPLEFT, 0));
        TIFFClose(tif);
        cases.push_back({"jpeg.tif", tiffPicture, pictureOf(W, H, [&](int x, int y) {
                             const uint32_t p = raster[std::size_t(y * W + x)];
                             return qRgb(int(TIFFGetR(p)), int(TIFFGetG(p)), int(TIFFGetB(p)));
                         }), 1});
    }

    // WebP, HEIC and AVIF from the encoders' command-line tools; the lossy ones against their
    // own decoders' output.
    ASSERT_TRUE(source.save(at("source.png")));
    ASSERT_TRUE(writePng(at("source-alpha.png"), PNG_COLOR_TYPE_RGB_ALPHA, 8, false, rgba, 4));
    ASSERT_TRUE(run("cwebp", {"-quiet", "-lossless", at("source.png"), "-o", at("lossless.webp")}));
    cases.push_back({"lossless.webp", webpPicture, source, 0});
    ASSERT_TRUE(run("cwebp", {"-quiet", "-lossless", "-exact", at("source-alpha.png"), "-o", at("alpha.webp")}));
    cases.push_back({"alpha.webp", webpPicture, overWhiteSource, 0});
    ASSERT_TRUE(run("cwebp", {"-quiet", "-q", "80", at("source.png"), "-o", at("lossy.webp")}));
    ASSERT_TRUE(run("dwebp", {"-quiet", at("lossy.webp"), "-o", at("lossy-reference.png")}));
    cases.push_back({"lossy.webp", webpPicture, readWithQt(at("lossy-reference.png")), 1});
    {
        QFile profile(at("profile.icc"));
        ASSERT_TRUE(profile.open(QIODevice::WriteOnly));
        profile.write(testfiles::smallRgbProfile());
    }
    // exiftool does not put a profile into a HEIF file: heif-enc takes it from the PNG.
    ASSERT_TRUE(run("exiftool", {"-q", "-overwrite_original", "-ICC_Profile<=" + at("profile.icc"), at("source.png")}));
    ASSERT_TRUE(run("heif-enc", {"-q", "90", at("source.png"), "-o", at("photo.heic")}));
    ASSERT_TRUE(run("heif-convert", {at("photo.heic"), at("heic-reference.png")}));
    cases.push_back({"photo.heic", heifPicture, readWithQt(at("heic-reference.png")), 1});
    ASSERT_TRUE(run("heif-enc", {"-A", "-q", "90", at("source.png"), "-o", at("photo.avif")}));
    ASSERT_TRUE(run("heif-convert", {at("photo.avif"), at("avif-reference.png")}));
    cases.push_back({"photo.avif", heifPicture, readWithQt(at("avif-reference.png")), 1});

    // A DNG: developed, turned by its Orientation 6.
    ASSERT_TRUE(writeDng(at("camera.dng")));
    cases.push_back({"camera.dng", rawPicture, QImage(), 0});

    // The camera record goes in with exiftool, turned by a quarter on the PNG (applied) and on
    // the HEIC (not applied: the container's own turn counts there).
    QStringList files;
    for (const formatCase &c : cases)
        if (c.type != rawPicture)
            files << at(c.file);
    ASSERT_TRUE(run("exiftool", QStringList{"-q", "-overwrite_original", "-EXIF:Make=KorviaCam", "-EXIF:Model=Tester",
                                            "-XMP-dc:Title=Korvia", "-ICC_Profile<=" + at("profile.icc")} + files));
    ASSERT_TRUE(run("exiftool", {"-q", "-overwrite_original", "-EXIF:Orientation#=6", at("rgb8-interlaced.png"), at("photo.heic")}));
    cases[2].expected = source.transformed(QTransform().rotate(90));

    QStringList saved;
    for (const formatCase &c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        QImage picture;
        pictureMetadata metadata;
        ASSERT_EQ(loadImageFile(picture, at(c.file), &metadata), c.type);
        if (c.expected.isNull()) { // the DNG: upright, red on the top half, grey below
            ASSERT_EQ(picture.size(), QSize(H, W));
            const QRgb top = picture.pixel(H / 2, 2), bottom = picture.pixel(H / 2, W - 3);
            EXPECT_GT(qRed(top), 2 * qGreen(top));
            EXPECT_LE(std::abs(qRed(bottom) - qGreen(bottom)), 2);
        } else {
            EXPECT_LE(largestDifference(picture, c.expected), c.tolerance);
        }
        EXPECT_EQ(pictureFileSize(at(c.file)), picture.size());
        exifReader exif;
        exif.readPictureExif(at(c.file), c.type, metadata);
        EXPECT_EQ(exif.makerName, QStringLiteral("KorviaCam"));
        EXPECT_EQ(exif.modelName, QStringLiteral("Tester"));

        // Saved as PNG, TIFF and lossless WebP it comes back unchanged.
        for (const int type : {pngPicture, tiffPicture, webpPicture}) {
            const QString name = at(c.file + QStringLiteral("-saved") + writtenPictureExtension(type));
            writeImageFile(picture, name, type, 100, &metadata);
            QImage back;
            EXPECT_EQ(loadImageFile(back, name), type);
            EXPECT_EQ(largestDifference(back, picture), 0) << name.toStdString();
            saved << name;
        }

        // Damaged: refused with the file's name, the picture it would have replaced unchanged.
        QFile file(at(c.file));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        const QString cut = at(QStringLiteral("cut-") + c.file);
        QFile damaged(cut);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write(whole.left(whole.size() * 2 / 3));
        damaged.close();
        QImage kept = source;
        try {
            loadImageFile(kept, cut);
            ADD_FAILURE() << "a file cut short was read";
        } catch (const imageError &e) {
            EXPECT_TRUE(e.message().contains(cut)) << e.message().toStdString();
        }
        EXPECT_EQ(kept, source);
    }

    // What exiftool reads in every saved file: the camera's make and model, orientation 1.
    QByteArray json;
    ASSERT_TRUE(run("exiftool", QStringList{"-j", "-n", "-Make", "-Model", "-Orientation", "-Title", "-DeviceManufacturer"} + saved, &json));
    const QJsonArray records = QJsonDocument::fromJson(json).array();
    ASSERT_EQ(records.size(), saved.size());
    for (const QJsonValue &r : records) {
        const QJsonObject o = r.toObject();
        SCOPED_TRACE(o.value("SourceFile").toString().toStdString());
        EXPECT_EQ(o.value("Make").toString(), QStringLiteral("KorviaCam"));
        EXPECT_EQ(o.value("Model").toString(), QStringLiteral("Tester"));
        EXPECT_EQ(o.value("Orientation").toInt(1), 1); // absent means 1 as well
        const QString file = o.value("SourceFile").toString();
        if (!file.contains("camera.dng")) { // the camera gave neither
            EXPECT_EQ(o.value("Title").toString(), QStringLiteral("Korvia"));
        }
        if (!file.contains("camera.dng") && !file.contains("grey1.png") && !file.contains("grey8.png")) { // a grey PNG holds no RGB profile
            EXPECT_EQ(o.value("DeviceManufacturer").toString(), QStringLiteral("KRVA"));
        }
    }
}

// A camera file's development stops at LibRaw's next stage once the open is cancelled (中止),
// and runs through otherwise.
TEST_F(PictureFormats, RawDevelopmentStopsOnACancel)
{
    ASSERT_TRUE(writeDng(at("camera.dng")));
    QFile file(at("camera.dng"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    progressIndicator stop;
    stop.cancelRequested = [] { return true; };
    {
        const cancelScope scope(&stop);
        EXPECT_THROW(decodeRaw(bytes, QStringLiteral("camera.dng"), nullptr), operationCancelled);
    }
    EXPECT_FALSE(decodeRaw(bytes, QStringLiteral("camera.dng"), nullptr).isNull());
}

// An animation opens as its first frame, the same whether the decode runs on the open's thread
// or beside it (with a cancel in force); a cancel already requested stops it.
TEST_F(PictureFormats, AnimatedWebpOpensAsItsFirstFrame)
{
    const int w = 40, h = 30;
    WebPAnimEncoderOptions options;
    ASSERT_TRUE(WebPAnimEncoderOptionsInit(&options));
    WebPAnimEncoder *encoder = WebPAnimEncoderNew(w, h, &options);
    ASSERT_NE(encoder, nullptr);
    WebPConfig config;
    ASSERT_TRUE(WebPConfigInit(&config));
    config.lossless = 1;
    for (std::uint32_t colour : {0xFFC81E32u, 0xFF1E32C8u}) {
        WebPPicture frame;
        ASSERT_TRUE(WebPPictureInit(&frame));
        frame.use_argb = 1;
        frame.width = w;
        frame.height = h;
        ASSERT_TRUE(WebPPictureAlloc(&frame));
        std::fill(frame.argb, frame.argb + w * h, colour);
        const int at = colour == 0xFFC81E32u ? 0 : 100;
        EXPECT_TRUE(WebPAnimEncoderAdd(encoder, &frame, at, &config));
        WebPPictureFree(&frame);
    }
    WebPAnimEncoderAdd(encoder, nullptr, 200, nullptr);
    WebPData data;
    WebPDataInit(&data);
    ASSERT_TRUE(WebPAnimEncoderAssemble(encoder, &data));
    WebPAnimEncoderDelete(encoder);
    const QByteArray bytes(reinterpret_cast<const char *>(data.bytes), qsizetype(data.size));
    WebPDataClear(&data);

    std::atomic<bool> cancel{false};
    progressIndicator progress;
    progress.cancelRequested = [&] { return cancel.load(); };
    for (bool scoped : {false, true}) {
        std::optional<cancelScope> scope;
        if (scoped) scope.emplace(&progress);
        const QImage picture = decodeWebp(bytes, QStringLiteral("anim.webp"), nullptr);
        ASSERT_EQ(picture.size(), QSize(w, h)) << scoped;
        EXPECT_EQ(picture.pixel(7, 5) & 0xFFFFFFu, 0xC81E32u) << scoped;
    }
    cancel = true;
    const cancelScope scope(&progress);
    EXPECT_THROW(decodeWebp(bytes, QStringLiteral("anim.webp"), nullptr), operationCancelled);
}
