// Cancelling a run: the worker pool skips the tasks not begun once the indicator's cancel is
// asked for, on every thread count, and the next run works in full; a save cancelled before its
// rename leaves the old file and no temporary; the JPEG coder stops between its bands of rows, the
// PNG and TIFF readers between rows and strips.
#include "imagedata/imagefilemanager.h"
#include "imagedata/picturemetadata.h"
#include "imagedata/pngcoding.h"
#include "imagedata/tiffcoding.h"
#include "imagedata/progress.h"
#include "imagedata/safewrite.h"
#include "imagedata/workerpool.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>

namespace {

struct cancellable {
    std::atomic<bool> flag{false};
    progressIndicator progress;
    cancellable()
    {
        progress.cancelRequested = [this] { return flag.load(); };
    }
};

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
