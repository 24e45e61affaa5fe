// Cancelling a run: the worker pool skips the tasks not begun once the indicator's cancel is
// asked for, on every thread count, and the next run works in full; a save cancelled before its
// rename leaves the old file and no temporary; the JPEG coder stops between its bands of rows, the
// PNG and TIFF readers between rows and strips; every reader and writer of every format stops
// part-way through its work, leaving the picture or the file as they were.
#include "imagedata/imagefilemanager.h"
#include "imagedata/picturemetadata.h"
#include "imagedata/picturesignature.h"
#include "imagedata/pngcoding.h"
#include "imagedata/tiffcoding.h"
#include "imagedata/progress.h"
#include "imagedata/safewrite.h"
#include "imagedata/workerpool.h"

#include "testfiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <climits>
#include <cstring>
#include <functional>
#include <thread>

namespace {

struct cancellable {
    std::atomic<bool> flag{false};
    progressIndicator progress;
    cancellable()
    {
        progress.cancelRequested = [this] { return flag.load(); };
    }
};

// Counts the questions a run asks of its cancel (and those from threads other than its own) and
// answers yes from the one after `after` on.
struct countedCancel {
    std::atomic<int> asked{0}, elsewhere{0};
    const int after;
    const bool workerQuestionsOnly;
    const std::thread::id caller = std::this_thread::get_id();
    progressIndicator progress;
    // workerQuestionsOnly: count only what the work asks on other threads. A caller that waits
    // for a library call beside it asks every few milliseconds, so how often it asks follows the
    // machine's load; once the count is reached, its questions are answered yes as well.
    explicit countedCancel(int after = INT_MAX, bool workerQuestionsOnly = false)
        : after(after), workerQuestionsOnly(workerQuestionsOnly)
    {
        progress.cancelRequested = [this] {
            const bool here = std::this_thread::get_id() == caller;
            if (!here)
                elsewhere.fetch_add(1);
            if (!this->workerQuestionsOnly)
                return asked.fetch_add(1) >= this->after;
            return here ? asked.load() > this->after : asked.fetch_add(1) >= this->after;
        };
    }
};

QByteArray fileBytes(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// A picture with detail in every row, wide enough for several TIFF strips and BMP blocks.
QImage detailedPicture()
{
    QImage picture(2048, 768, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            row[x] = qRgb((x * 7 + y) & 0xFF, (x ^ (y * 3)) & 0xFF, ((x * y) >> 5) & 0xFF);
    }
    return picture;
}

} // namespace

TEST(CancelTest, ARunStopsAtItsNextTaskAndTheNextRunIsWhole)
{
    for (const int threads : {1, 2, 3, 7}) {
        SCOPED_TRACE(threads);
        setWorkerThreads(threads);
        cancellable c;
        constexpr int tasks = 400;
        std::atomic<int> ran{0}, nestedRan{0};
        {
            const cancelScope scope(&c.progress);
            // Cancelled from inside the fifth task; tasks run by other threads and the runs
            // started inside tasks stop too.
            EXPECT_THROW(forEachBand(tasks, [&](int first, int end) {
                             for (int y = first; y < end; ++y) {
                                 if (ran.fetch_add(1) == 4) c.flag = true;
                                 runTasks(3, [&](int) { nestedRan.fetch_add(1); });
                             }
                         }),
                         operationCancelled);
            EXPECT_LT(ran.load(), tasks);
            EXPECT_THROW(c.progress.setPosition(1), operationCancelled);
            // Asked for before a run: none of its tasks starts.
            std::atomic<int> late{0};
            EXPECT_THROW(runTasks(10, [&](int) { late.fetch_add(1); }), operationCancelled);
            EXPECT_EQ(late.load(), 0);
        }
        // Outside the scope (or with the cancel withdrawn) every task runs: nothing is left stuck.
        std::atomic<int> whole{0};
        runTasks(tasks, [&](int) { whole.fetch_add(1); });
        EXPECT_EQ(whole.load(), tasks);
        c.flag = false;
        const cancelScope again(&c.progress);
        whole = 0;
        forEachBand(tasks, [&](int first, int end) { whole.fetch_add(end - first); });
        EXPECT_EQ(whole.load(), tasks);
    }
    setWorkerThreads(0);
}

TEST(CancelTest, ACancelledSaveLeavesTheOldFileAndNoTemporary)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString target = dir.path() + QStringLiteral("/photo.jpg");
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the user's picture");
    }
    const auto writeNew = [](int fd) { return writeAll(fd, "new bytes", 9); };
    cancellable c;
    c.flag = true;
    {
        const cancelScope scope(&c.progress);
        EXPECT_THROW(writeFileSafely(target, writeNew), operationCancelled);
        EXPECT_THROW(writeFileSafely(dir.path() + QStringLiteral("/new.jpg"), writeNew), operationCancelled);
    }
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_EQ(left, QStringList{QStringLiteral("photo.jpg")});
    QFile kept(target);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("the user's picture"));
    kept.close();
    // Without a cancel the same write replaces it.
    writeFileSafely(target, writeNew);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("new bytes"));
}

TEST(CancelTest, TheJpegCoderStopsBetweenBands)
{
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(qRgb(10, 120, 230));
    const QByteArray bytes = encodeJpeg(picture, 90);
    cancellable c;
    c.flag = true;
    {
        const cancelScope scope(&c.progress);
        EXPECT_THROW(decodeJpeg(bytes), operationCancelled);
        EXPECT_THROW(encodeJpeg(picture, 90), operationCancelled);
    }
    // Uncancelled, the same calls run through.
    EXPECT_EQ(decodeJpeg(bytes).size(), picture.size());
    EXPECT_EQ(encodeJpeg(picture, 90), bytes);
}

TEST(CancelTest, ThePngAndTiffReadersStop)
{
    QImage picture(37, 70, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) picture.setPixel(x, y, qRgb(x * 7, y * 3, (x ^ y) & 0xFF));
    const pictureMetadata none;
    const QByteArray png = encodePng(picture, none), tiff = encodeTiff(picture, none);
    int orientation = 0;
    cancellable c;
    c.flag = true;
    {
        const cancelScope scope(&c.progress);
        EXPECT_THROW(decodePng(png, QStringLiteral("a.png"), nullptr), operationCancelled);
        EXPECT_THROW(decodeTiff(tiff, QStringLiteral("a.tif"), nullptr, orientation), operationCancelled);
    }
    // Uncancelled, the rows read one by one give the picture.
    EXPECT_EQ(decodePng(png, QStringLiteral("a.png"), nullptr), picture);
    EXPECT_EQ(decodeTiff(tiff, QStringLiteral("a.tif"), nullptr, orientation), picture);
}

// Every reader and writer asks for the cancel as it goes: a cancel that comes half-way (and for
// HEIF, once the colours are decoded, at the read of the alpha picture) ends it in
// operationCancelled at once, leaving the picture being replaced or the user's old file as they
// were and no temporary; a run after it gives what an uncancelled run gives.
TEST(CancelTest, EveryReaderAndWriterStopsPartWay)
{
    setWorkerThreads(1); // the same questions in the same order on every run
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QImage picture = detailedPicture();
    // HEIF and AVIF come from heif-enc, from a PNG with alpha: the colours and the alpha are two
    // coded pictures.
    QImage withAlpha = picture.copy(0, 0, 320, 200).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < withAlpha.height(); ++y)
        for (int x = 0; x < withAlpha.width(); ++x)
            withAlpha.setPixel(x, y, (withAlpha.pixel(x, y) & 0xFFFFFF) | quint32(255 - (y & 0x7F)) << 24);
    const QString alphaPng = dir.filePath(QStringLiteral("alpha.png"));
    ASSERT_TRUE(withAlpha.save(alphaPng, "PNG"));
    for (const char *name : {"photo.heic", "photo.avif"})
        ASSERT_EQ(QProcess::execute(QStringLiteral("heif-enc"), {"-q", "50", alphaPng, "-o", dir.filePath(QLatin1String(name))}), 0);
    // A grid of 2 x 3 tiles, decoded on libheif's own threads.
    const QString tilePng = dir.filePath(QStringLiteral("tile.png")), tileHeic = dir.filePath(QStringLiteral("tile.heic"));
    ASSERT_TRUE(picture.copy(0, 0, 256, 256).save(tilePng, "PNG"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("heif-enc"), {"-q", "50", tilePng, "-o", tileHeic}), 0);
    {
        QFile grid(dir.filePath(QStringLiteral("grid.heic")));
        ASSERT_TRUE(grid.open(QIODevice::WriteOnly));
        grid.write(heicGrid(fileBytes(tileHeic), 2, 3, 256));
    }

    struct cancelCase {
        const char *name;
        int type;
        int quality;      // 0: read only
        int lateCancel = 0; // a cancel at this question from the end stops it too
    };
    const cancelCase cases[] = {
        {"photo.jpeg", 1, 90},          {"photo.BMP", 2, 100},           {"photo.png", pngPicture, 100},
        {"photo.tif", tiffPicture, 100}, {"photo.webp", webpPicture, 90}, {"lossless.webp", webpPicture, 100},
        {"photo.jxl", jxlPicture, 90}, // libjxl encodes in one go: the save gives it up (abandonable.h)
        // The questions before libheif reads the alpha picture's data, or the fourth tile's.
        {"photo.heic", heifPicture, 0, 2}, {"photo.avif", heifPicture, 0, 2}, {"grid.heic", heifPicture, 0, 4},
    };
    for (const cancelCase &c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = dir.filePath(QLatin1String(c.name));
        // What is made, cancelled or not: the file written (over the user's old one), or the
        // picture read from it (into the picture it would replace).
        const std::function<QByteArray()> write = [&] {
            writeImageFile(picture, file, c.type, c.quality);
            return fileBytes(file);
        };
        QImage read;
        const std::function<QByteArray()> load = [&] {
            loadImageFile(read, file);
            return QByteArray(reinterpret_cast<const char *>(read.constBits()), read.sizeInBytes());
        };
        for (const bool writing : {true, false}) {
            if (writing && c.quality == 0)
                continue;
            SCOPED_TRACE(writing ? "writing" : "reading");
            const std::function<QByteArray()> &run = writing ? write : load;
            // The HEIF decode runs beside the caller, which asks as it waits: only libheif's own
            // questions come in the same number on every run.
            const bool workerQuestionsOnly = c.type == heifPicture;
            countedCancel whole(INT_MAX, workerQuestionsOnly);
            QByteArray made;
            {
                const cancelScope scope(&whole.progress);
                made = run();
            }
            const int asked = whole.asked.load();
            EXPECT_GE(asked, 6) << "a coder that asks for the cancel only before or after its work";
            if (std::strcmp(c.name, "grid.heic") == 0) {
                EXPECT_EQ(read.size(), QSize(768, 512));
                EXPECT_GT(whole.elsewhere.load(), 0) << "libheif's tile threads do not see the cancel";
            }
            std::vector<int> points{asked / 2};
            if (c.lateCancel > 0)
                points.push_back(asked - c.lateCancel);
            for (const int after : points) {
                SCOPED_TRACE(after);
                const QByteArray old("the user's picture");
                if (writing) {
                    QFile f(file);
                    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                    f.write(old);
                }
                const QImage marker(3, 2, QImage::Format_RGB32);
                read = marker;
                countedCancel late(after, workerQuestionsOnly);
                {
                    const cancelScope scope(&late.progress);
                    EXPECT_THROW(run(), operationCancelled);
                }
                // Stopped at the first yes (with a question more on the way out, or from libheif's
                // other threads under way), before the questions the rest of the work would ask.
                EXPECT_LE(late.asked.load(), after + 4);
                EXPECT_LT(late.asked.load(), asked);
                if (writing) {
                    EXPECT_EQ(fileBytes(file), old);
                    EXPECT_EQ(filesIn(dir.path()).filter(QStringLiteral(".korvia-save-")), QStringList());
                } else {
                    EXPECT_TRUE(read.constBits() == marker.constBits() || read == marker);
                }
                // The next run, uncancelled, makes what the first one made.
                EXPECT_EQ(run(), made);
            }
        }
    }
    setWorkerThreads(0);
}
