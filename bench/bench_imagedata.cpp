// Speed of the colour-plane copies and of JPEG coding on a 24-megapixel picture.
// Split and join are set against a memcpy of the picture's bytes; JPEG loading against a bare
// libjpeg decode with default settings into one reused row (what a command-line decoder does).
#include "imagedata/imagefilemanager.h"
#include "imagedata/myimagearray.h"

#include <benchmark/benchmark.h>

#include <QFile>

#include <cmath>
#include <cstring>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace {

constexpr int pictureWidth = 6000;
constexpr int pictureHeight = 4000;

// Photo-like: a sky gradient, a horizon, soft hills and some fine texture, no noise.
const QImage &photo()
{
    static const QImage picture = [] {
        QImage p(pictureWidth, pictureHeight, QImage::Format_RGB32);
        std::vector<int> hill(pictureWidth);
        for (int x = 0; x < pictureWidth; ++x)
            hill[static_cast<std::size_t>(x)] = static_cast<int>(pictureHeight * 0.55 + 300 * std::sin(x * 0.0011) + 90 * std::sin(x * 0.0071));
        for (int y = 0; y < pictureHeight; ++y) {
            QRgb *row = reinterpret_cast<QRgb *>(p.scanLine(y));
            for (int x = 0; x < pictureWidth; ++x) {
                int r, g, b;
                if (y < hill[static_cast<std::size_t>(x)]) {
                    r = 90 + y * 100 / pictureHeight;
                    g = 140 + y * 80 / pictureHeight;
                    b = 230 - y * 40 / pictureHeight;
                } else {
                    const int texture = ((x * 7 + y * 3) % 23) + ((x / 5 + y / 7) % 11);
                    r = 60 + texture + (x % 600) / 20;
                    g = 110 + texture * 2 - (y % 400) / 25;
                    b = 40 + texture / 2;
                }
                row[x] = qRgb(r, g, b);
            }
        }
        return p;
    }();
    return picture;
}

const QString &jpegFile()
{
    static const QString name = [] {
        const QString file = QStringLiteral("/tmp/korvia-bench-24mp.jpeg");
        if (!QFile::exists(file))
            saveImageFile(photo(), file, 1, 90);
        return file;
    }();
    return name;
}

void BM_Memcpy(benchmark::State &state)
{
    const QImage &p = photo();
    std::vector<std::uint8_t> target(static_cast<std::size_t>(p.sizeInBytes()));
    for (auto _ : state) {
        std::memcpy(target.data(), p.constBits(), target.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * p.sizeInBytes());
}

template <bool fast>
void BM_Split(benchmark::State &state)
{
    const QImage &p = photo();
    const std::size_t n = static_cast<std::size_t>(pictureWidth) * pictureHeight;
    std::vector<std::uint8_t> r(n), g(n), b(n);
    for (auto _ : state) {
        if (fast)
            bitmapToPlanes(p, r.data(), g.data(), b.data());
        else
            bitmapToPlanesPlain(p, r.data(), g.data(), b.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * p.sizeInBytes());
}

template <bool fast>
void BM_Join(benchmark::State &state)
{
    QImage p = photo().copy();
    const std::size_t n = static_cast<std::size_t>(pictureWidth) * pictureHeight;
    std::vector<std::uint8_t> r(n, 1), g(n, 2), b(n, 3);
    for (auto _ : state) {
        if (fast)
            planesToBitmap(p, r.data(), g.data(), b.data());
        else
            planesToBitmapPlain(p, r.data(), g.data(), b.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * p.sizeInBytes());
}

void BM_JpegLoad(benchmark::State &state)
{
    const QString &name = jpegFile();
    for (auto _ : state) {
        QImage picture;
        loadImageFile(picture, name);
        benchmark::DoNotOptimize(picture.constBits());
    }
}

// The reference: libjpeg defaults, RGB out, one row buffer reused, file read through stdio.
void BM_LibjpegReference(benchmark::State &state)
{
    const QByteArray path = QFile::encodeName(jpegFile());
    for (auto _ : state) {
        FILE *file = std::fopen(path.constData(), "rb");
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr error;
        cinfo.err = jpeg_std_error(&error);
        jpeg_create_decompress(&cinfo);
        jpeg_stdio_src(&cinfo, file);
        jpeg_read_header(&cinfo, TRUE);
        jpeg_start_decompress(&cinfo);
        std::vector<JSAMPLE> row(static_cast<std::size_t>(cinfo.output_width) * cinfo.output_components);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW rows[1] = {row.data()};
            jpeg_read_scanlines(&cinfo, rows, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        std::fclose(file);
        benchmark::DoNotOptimize(row.data());
    }
}

void BM_JpegSave(benchmark::State &state)
{
    const QImage &p = photo();
    for (auto _ : state)
        saveImageFile(p, QStringLiteral("/tmp/korvia-bench-save.jpeg"), 1, 90);
    QFile::remove(QStringLiteral("/tmp/korvia-bench-save.jpeg"));
}

void BM_BmpSnapshotSave(benchmark::State &state)
{
    const QImage &p = photo();
    for (auto _ : state)
        saveImageFile(p, QStringLiteral("/tmp/korvia-bench-save.BMP"), 2, 100);
    QFile::remove(QStringLiteral("/tmp/korvia-bench-save.BMP"));
}

} // namespace

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Split<true>)->Name("BM_Split")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Split<false>)->Name("BM_SplitPlain")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Join<true>)->Name("BM_Join")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Join<false>)->Name("BM_JoinPlain")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibjpegReference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpSnapshotSave)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
