// korvia-batch info's reading on the 24-megapixel photo in every format: the size and the records
// from the headers (pictureFileSize), then the EXIF page (exifReader), without decoding the
// pixels. Each should take well under 20 ms; "file_mb" is the file's size.
#include "benchphoto.h"

#include "imagedata/exifreader.h"
#include "imagedata/imagefilemanager.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <tiffio.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

// A linear DNG of the photo's size (16-bit samples, as a camera's developed raw file).
void writeDng(const QString &name)
{
    TIFF *tif = TIFFOpen(QFile::encodeName(name).constData(), "w");
    if (!tif)
        std::abort();
    const int w = benchPhoto::pictureWidth, h = benchPhoto::pictureHeight;
    const uint8_t version[4] = {1, 4, 0, 0};
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, 34892); // linear raw
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_MAKE, "KorviaCam");
    TIFFSetField(tif, TIFFTAG_MODEL, "Tester");
    TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
    TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "KorviaCam Tester");
    TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, identity);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 64);
    const QImage &photo = benchPhoto::thePhoto();
    std::vector<uint16_t> row(std::size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        const QRgb *p = reinterpret_cast<const QRgb *>(photo.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            row[std::size_t(3 * x)] = uint16_t(qRed(p[x]) * 257);
            row[std::size_t(3 * x + 1)] = uint16_t(qGreen(p[x]) * 257);
            row[std::size_t(3 * x + 2)] = uint16_t(qBlue(p[x]) * 257);
        }
        TIFFWriteScanline(tif, row.data(), uint32_t(y), 0);
    }
    TIFFClose(tif);
}

// The photo in the format its name gives, made once per run.
const QString &photoFile(const char *name)
{
    static std::map<std::string, QString> made;
    if (auto found = made.find(name); found != made.end())
        return found->second;
    const QString path = folder().filePath(QString::fromLatin1(name));
    const QString ext = QFileInfo(path).suffix();
    if (ext == QLatin1String("heic") || ext == QLatin1String("avif")) {
        const QString png = photoFile("photo.png");
        QStringList arguments{"-q", "80", png, "-o", path};
        if (ext == QLatin1String("avif"))
            arguments.prepend("-A");
        if (QProcess::execute(QStringLiteral("heif-enc"), arguments) != 0)
            std::abort();
    } else if (ext == QLatin1String("dng")) {
        writeDng(path);
    } else {
        const int type = ext == QLatin1String("jpeg") ? 1 : ext == QLatin1String("BMP") ? 2 : ext == QLatin1String("png") ? 3
                       : ext == QLatin1String("tif") ? 4 : 5;
        writeImageFile(benchPhoto::thePhoto(), path, type, 90);
    }
    return made.emplace(name, path).first->second;
}

void info(benchmark::State &state, const char *name)
{
    const QString &path = photoFile(name);
    for (auto _ : state) {
        int type = 0;
        pictureMetadata metadata;
        const QSize size = pictureFileSize(path, &type, &metadata);
        exifReader exif;
        exif.readPictureExif(path, type, metadata);
        if (size.width() != benchPhoto::pictureWidth)
            state.SkipWithError("wrong size");
        benchmark::DoNotOptimize(size);
    }
    state.counters["file_mb"] = double(QFileInfo(path).size()) / (1 << 20);
}

void BM_Info_Jpeg(benchmark::State &state) { info(state, "photo.jpeg"); }
void BM_Info_Bmp(benchmark::State &state) { info(state, "photo.BMP"); }
void BM_Info_Png(benchmark::State &state) { info(state, "photo.png"); }
void BM_Info_Tiff(benchmark::State &state) { info(state, "photo.tif"); }
void BM_Info_Webp(benchmark::State &state) { info(state, "photo.webp"); }
void BM_Info_Heic(benchmark::State &state) { info(state, "photo.heic"); }
void BM_Info_Avif(benchmark::State &state) { info(state, "photo.avif"); }
void BM_Info_Dng(benchmark::State &state) { info(state, "photo.dng"); }

} // namespace

BENCHMARK(BM_Info_Jpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Info_Bmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Info_Png)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Info_Tiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Info_Webp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Info_Heic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Info_Avif)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Info_Dng)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
