// Opening the 24-megapixel photo as PNG, TIFF (Deflate), WebP and HEIC through loadImageFile,
// each beside its library's own decoder alone on the same file (the whole picture decoded into
// memory in the library's native layout, nothing else): the reader should stay within 1.2 times
// of it.
//
// BM_CancelGap_*: how long each reader and writer goes on the photo without asking whether the
// work was cancelled (中止): the longest gap between two questions, or from the start to the first
// and from the last to the end, is the longest a cancel can take to stop it ("gap_ms"; "asked"
// counts the questions).
#include "benchphoto.h"

#include "imagedata/imagefilemanager.h"
#include "imagedata/progress.h"
#include "imagedata/workerpool.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <libheif/heif.h>
#include <png.h>
#include <tiffio.h>
#include <webp/decode.h>

#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <memory>
#include <string>
#include <vector>

namespace {

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

// The photo written once per run in the format of `type` (PNG, TIFF and WebP by Korvia itself,
// the HEIC by heif-enc from the PNG).
const QString &photoFile(const char *name)
{
    static std::map<std::string, QString> made;
    auto found = made.find(name);
    if (found != made.end())
        return found->second;
    const QString path = folder().filePath(QString::fromLatin1(name));
    const QString ext = QFileInfo(path).suffix();
    if (ext == QLatin1String("heic")) {
        const QString png = folder().filePath(QStringLiteral("source.png"));
        writeImageFile(benchPhoto::thePhoto(), png, 3, 100);
        if (QProcess::execute(QStringLiteral("heif-enc"), {"-q", "80", "-p", "preset=ultrafast", png, "-o", path}) != 0)
            std::abort();
    } else {
        const int type = ext == QLatin1String("jpeg") ? 1 : ext == QLatin1String("BMP") ? 2 : ext == QLatin1String("png") ? 3
                       : ext == QLatin1String("tif") ? 4 : 5;
        writeImageFile(benchPhoto::thePhoto(), path, type, QFileInfo(path).baseName() == QLatin1String("lossless") ? 100 : 90);
    }
    return made.emplace(name, path).first->second;
}

QByteArray fileBytes(const QString &name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        std::abort();
    return f.readAll();
}

void load(benchmark::State &state, const char *name)
{
    const QString &path = photoFile(name);
    for (auto _ : state) {
        QImage picture;
        loadImageFile(picture, path);
        benchmark::DoNotOptimize(picture.constBits());
    }
}

void BM_PngLoad(benchmark::State &state) { load(state, "photo.png"); }
void BM_TiffLoad(benchmark::State &state) { load(state, "photo.tif"); }
void BM_WebpLoad(benchmark::State &state) { load(state, "photo.webp"); }
void BM_HeicLoad(benchmark::State &state) { load(state, "photo.heic"); }

void BM_LibpngReference(benchmark::State &state)
{
    const QByteArray path = QFile::encodeName(photoFile("photo.png"));
    for (auto _ : state) {
        FILE *file = std::fopen(path.constData(), "rb");
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, file);
        png_read_info(png, info);
        const std::size_t rowBytes = png_get_rowbytes(png, info), height = png_get_image_height(png, info);
        std::unique_ptr<png_byte[]> picture(new png_byte[rowBytes * height]);
        std::vector<png_bytep> rows(height);
        for (std::size_t y = 0; y < height; ++y)
            rows[y] = picture.get() + y * rowBytes;
        png_read_image(png, rows.data());
        png_read_end(png, info);
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        benchmark::DoNotOptimize(picture.get());
    }
}

void BM_LibtiffReference(benchmark::State &state)
{
    const QByteArray path = QFile::encodeName(photoFile("photo.tif"));
    for (auto _ : state) {
        TIFF *tif = TIFFOpen(path.constData(), "r");
        const tmsize_t strip = TIFFStripSize(tif);
        const tstrip_t strips = TIFFNumberOfStrips(tif);
        std::unique_ptr<std::uint8_t[]> picture(new std::uint8_t[std::size_t(strip) * strips]);
        for (tstrip_t s = 0; s < strips; ++s)
            TIFFReadEncodedStrip(tif, s, picture.get() + std::size_t(strip) * s, strip);
        TIFFClose(tif);
        benchmark::DoNotOptimize(picture.get());
    }
}

void BM_LibwebpReference(benchmark::State &state)
{
    const QByteArray bytes = fileBytes(photoFile("photo.webp"));
    for (auto _ : state) {
        int w = 0, h = 0;
        std::uint8_t *rgb = WebPDecodeRGB(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()), &w, &h);
        benchmark::DoNotOptimize(rgb);
        WebPFree(rgb);
    }
}

void BM_LibheifReference(benchmark::State &state)
{
    const QByteArray bytes = fileBytes(photoFile("photo.heic"));
    for (auto _ : state) {
        heif_context *context = heif_context_alloc();
        heif_context_read_from_memory_without_copy(context, bytes.constData(), std::size_t(bytes.size()), nullptr);
        heif_image_handle *handle = nullptr;
        heif_context_get_primary_image_handle(context, &handle);
        heif_image *image = nullptr;
        heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
        benchmark::DoNotOptimize(image);
        heif_image_release(image);
        heif_image_handle_release(handle);
        heif_context_free(context);
    }
}

void cancelGap(benchmark::State &state, const std::function<void()> &work)
{
    using clock = std::chrono::steady_clock;
    double longest = 0;
    std::size_t asked = 0;
    for (auto _ : state) {
        std::mutex guard;
        std::vector<clock::time_point> times;
        progressIndicator progress;
        progress.cancelRequested = [&] {
            const std::lock_guard<std::mutex> lock(guard);
            times.push_back(clock::now());
            return false;
        };
        times.push_back(clock::now());
        {
            const cancelScope scope(&progress);
            work();
        }
        times.push_back(clock::now());
        for (std::size_t i = 1; i < times.size(); ++i)
            longest = std::max(longest, std::chrono::duration<double, std::milli>(times[i] - times[i - 1]).count());
        asked = times.size() - 2;
    }
    state.counters["gap_ms"] = longest;
    state.counters["asked"] = double(asked);
}

void openGap(benchmark::State &state, const char *name)
{
    const QString &path = photoFile(name);
    cancelGap(state, [&] {
        QImage picture;
        loadImageFile(picture, path);
    });
}

void saveGap(benchmark::State &state, const char *name, int type, int quality)
{
    const QString path = folder().filePath(QStringLiteral("saved-") + QLatin1String(name));
    cancelGap(state, [&] { writeImageFile(benchPhoto::thePhoto(), path, type, quality); });
}

void BM_CancelGap_OpenJpeg(benchmark::State &state) { openGap(state, "photo.jpeg"); }
void BM_CancelGap_OpenBmp(benchmark::State &state) { openGap(state, "photo.BMP"); }
void BM_CancelGap_OpenPng(benchmark::State &state) { openGap(state, "photo.png"); }
void BM_CancelGap_OpenTiff(benchmark::State &state) { openGap(state, "photo.tif"); }
void BM_CancelGap_OpenWebp(benchmark::State &state) { openGap(state, "photo.webp"); }
void BM_CancelGap_OpenLosslessWebp(benchmark::State &state) { openGap(state, "lossless.webp"); }
void BM_CancelGap_OpenHeic(benchmark::State &state) { openGap(state, "photo.heic"); }
void BM_CancelGap_SaveJpeg(benchmark::State &state) { saveGap(state, "photo.jpeg", 1, 90); }
void BM_CancelGap_SaveBmp(benchmark::State &state) { saveGap(state, "photo.BMP", 2, 100); }
void BM_CancelGap_SavePng(benchmark::State &state) { saveGap(state, "photo.png", 3, 100); }
void BM_CancelGap_SaveTiff(benchmark::State &state) { saveGap(state, "photo.tif", 4, 100); }
void BM_CancelGap_SaveWebp(benchmark::State &state) { saveGap(state, "photo.webp", 5, 90); }
void BM_CancelGap_SaveLosslessWebp(benchmark::State &state) { saveGap(state, "lossless.webp", 5, 100); }

} // namespace

BENCHMARK(BM_PngLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibpngReference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibtiffReference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WebpLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibwebpReference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeicLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibheifReference)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_CancelGap_OpenJpeg)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_CancelGap_OpenBmp)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_CancelGap_OpenPng)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_CancelGap_OpenTiff)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_CancelGap_OpenWebp)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_CancelGap_OpenLosslessWebp)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_CancelGap_OpenHeic)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_CancelGap_SaveJpeg)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_CancelGap_SaveBmp)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_CancelGap_SavePng)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_CancelGap_SaveTiff)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_CancelGap_SaveWebp)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_CancelGap_SaveLosslessWebp)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
