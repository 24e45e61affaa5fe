// Undo snapshots written behind: undo while a write is held back, failed writes kept in memory
// and told once, closing without waiting, the memory budget, and the fifty-step rule.
#include "documentfixture.h"
#include "imagedata/imagedocument.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/instancefolder.h"
#include "imagedata/messagesink.h"
#include "imagedata/snapshotwriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <memory>

namespace {

using namespace documentTests;

class WriteBehindTest : public snapshotFolderTest {
protected:
    QStringList said;
    messageSink previousSink;

    void SetUp() override
    {
        snapshotFolderTest::SetUp();
        if (HasFatalFailure()) return;
        previousSink = setMessageSink([this](const QString &text) { said << text; });
        imageDocument::setWriteBehind(true);
    }
    void TearDown() override
    {
        writer().holdWrites(false);
        writer().waitForAll();
        writer().setBudget(std::size_t(1) << 30);
        imageDocument::setWriteBehind(false);
        setMessageSink(previousSink);
        snapshotFolderTest::TearDown();
    }

    static snapshotWriter &writer() { return snapshotWriter::process(); }
};

} // namespace

TEST_F(WriteBehindTest, UndoTakesThePictureWhileItsWriteIsHeldBack)
{
    const struct {
        int commits, undos;
    } cases[] = {{1, 1}, {3, 1}, {3, 3}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.commits << " commits, " << c.undos << " undos");
        imageDocument d;
        d.bitmap = picture(1);
        writer().holdWrites(true);
        for (int k = 1; k <= c.commits; ++k)
            execute(d, k + 1); // snapshot k holds picture k
        EXPECT_TRUE(scratchFiles().isEmpty()); // nothing written yet
        for (int k = c.commits; k > c.commits - c.undos; --k) {
            EXPECT_TRUE(d.snapshotInMemory(k));
            d.undo(); // would never return if it waited for the held write
            EXPECT_TRUE(holds(d.bitmap, k));
        }
        writer().holdWrites(false);
        d.waitForSnapshots();
        writer().waitForAll();
        // The undone steps' files never appear; the others are written under their names.
        QStringList want;
        for (int n = 1; n <= c.commits - c.undos; ++n) {
            want << QFileInfo(d.snapshotFile(n)).fileName();
            EXPECT_FALSE(d.snapshotInMemory(n));
        }
        want.sort();
        EXPECT_EQ(scratchFiles(), want);
        EXPECT_EQ(writer().heldBytes(), 0u);
        while (d.undoCount > 0) {
            const int k = d.undoCount;
            d.undo();
            EXPECT_TRUE(holds(d.bitmap, k));
        }
        EXPECT_TRUE(d.unchanged);
        EXPECT_TRUE(scratchFiles().isEmpty());
    }
}

TEST_F(WriteBehindTest, AFailedWriteKeepsTheStepAndIsToldOnce)
{
    const struct {
        const char *name;
        int failing;     // commits whose write fails (all of them)
        int undosBefore; // undos before the failure is told
        int messages;
    } cases[] = {
        {"two failures, one message", 2, 0, 1},
        {"the failed step undone before it is told", 1, 1, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        said.clear();
        imageDocument d;
        d.bitmap = picture(1);
        setSaveFailureHook([](const QString &) { return false; }); // a full disk
        for (int k = 1; k <= c.failing; ++k)
            execute(d, k + 1);
        d.waitForSnapshots();
        setSaveFailureHook({});
        EXPECT_EQ(d.undoCount, c.failing);
        EXPECT_TRUE(scratchFiles().isEmpty());
        EXPECT_GT(writer().heldBytes(), 0u);
        for (int i = 0; i < c.undosBefore; ++i)
            d.undo();
        reportFailedSnapshots();
        reportFailedSnapshots();
        ASSERT_EQ(said.size(), c.messages);
        if (c.messages) {
            EXPECT_TRUE(said.front().startsWith(QStringLiteral("元に戻すための控えをディスクに書き込めませんでした。")));
        }
        // Every step is still there, from memory.
        while (d.undoCount > 0) {
            const int k = d.undoCount;
            EXPECT_TRUE(d.snapshotInMemory(k));
            d.undo();
            EXPECT_TRUE(holds(d.bitmap, k));
        }
        EXPECT_EQ(writer().heldBytes(), 0u);
    }
}

TEST_F(WriteBehindTest, BeyondTheBudgetFailedStepsMakeTheNextSnapshotWriteInPlace)
{
    // One failed step fills the budget: the next snapshot is written before the change, and
    // its failure refuses the change as a snapshot written in place always did.
    imageDocument d;
    d.bitmap = picture(1);
    writer().setBudget(std::size_t(picture(1).sizeInBytes()));
    setSaveFailureHook([](const QString &) { return false; });
    execute(d, 2);
    d.waitForSnapshots();
    EXPECT_THROW(d.takeSnapshot(), imageError);
    EXPECT_EQ(d.undoCount, 1);
    setSaveFailureHook({});
    execute(d, 3); // written in place
    EXPECT_FALSE(d.snapshotInMemory(2));
    EXPECT_EQ(scratchFiles(), expectedFiles(d, {2}));
    d.undo();
    EXPECT_TRUE(holds(d.bitmap, 2));
    d.undo();
    EXPECT_TRUE(holds(d.bitmap, 1));
    reportFailedSnapshots();
}

TEST_F(WriteBehindTest, ClosingWithWritesPendingLeavesNoFileAndDoesNotWait)
{
    const struct {
        const char *name;
        int writtenFirst, pending;
        bool destroy; // or clear the history, as a save does
    } cases[] = {
        {"destroyed, all pending", 0, 3, true},
        {"destroyed, one written", 1, 2, true},
        {"history cleared, one written", 1, 2, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        auto d = std::make_unique<imageDocument>();
        d->bitmap = picture(1);
        for (int k = 1; k <= c.writtenFirst; ++k)
            execute(*d, k + 1);
        d->waitForSnapshots();
        writer().holdWrites(true); // the first pending write is taken and held
        for (int k = c.writtenFirst + 1; k <= c.writtenFirst + c.pending; ++k)
            execute(*d, k + 1);
        if (c.destroy)
            d.reset(); // would never return if it waited for the held write
        else
            d->clearHistory();
        EXPECT_TRUE(scratchFiles().isEmpty());
        writer().holdWrites(false);
        writer().waitForAll();
        EXPECT_TRUE(scratchFiles().isEmpty());
        EXPECT_EQ(writer().heldBytes(), 0u);
    }
}

TEST_F(WriteBehindTest, FiftyFirstStepDropsTheOldestAroundAStepHeldInMemory)
{
    imageDocument d;
    d.bitmap = picture(1);
    std::atomic<int> writes{0};
    setSaveFailureHook([&writes](const QString &) { return ++writes != 3; }); // snapshot 3 fails
    for (int k = 1; k <= 51; ++k)
        execute(d, k + 1);
    d.waitForSnapshots();
    setSaveFailureHook({});
    // Picture 1 is gone; snapshot 2 (picture 3) is in memory, every other one on disk.
    EXPECT_EQ(d.undoCount, 50);
    ASSERT_EQ(d.history.size(), 50u);
    QStringList want;
    for (int n = 1; n <= 50; ++n) {
        EXPECT_EQ(d.history[std::size_t(n - 1)].fileName, d.snapshotFile(n));
        EXPECT_EQ(d.snapshotInMemory(n), n == 2) << n;
        if (n != 2) want << QFileInfo(d.snapshotFile(n)).fileName();
    }
    want.sort();
    EXPECT_EQ(scratchFiles(), want);
    for (int k = 51; k >= 2; --k) {
        d.undo();
        ASSERT_TRUE(holds(d.bitmap, k)) << k;
    }
    EXPECT_TRUE(scratchFiles().isEmpty());
    reportFailedSnapshots();
}

// A written snapshot whose picture nothing else holds lends its buffer to the next commit of a
// picture of that size: the copy has the picture's bytes in the old buffer. A buffer still shared
// with the document, or of another size, is never handed out.
TEST_F(WriteBehindTest, WrittenSnapshotsLendTheirBuffersToTheNextCommit)
{
    const auto filled = [](int k) {
        QImage p(8, 4, QImage::Format_RGB32);
        p.fill(qRgb(k, 255 - k, (k * 7) & 0xFF));
        return p;
    };
    writer().dropSpareBuffers();
    imageDocument d;
    d.bitmap = filled(1);
    writer().holdWrites(true);
    d.takeSnapshot();
    writer().holdWrites(false);
    d.waitForSnapshots();
    EXPECT_EQ(writer().spareCount(), 0); // still the document's own picture
    d.bitmap = filled(2);
    writer().holdWrites(true); // written only once the change has its own picture
    d.takeSnapshot();
    const uchar *lent = d.bitmap.constBits();
    d.bitmap = filled(3);
    writer().holdWrites(false);
    d.waitForSnapshots();
    EXPECT_EQ(writer().spareCount(), 1);

    const QImage other = picture(4);
    EXPECT_EQ(writer().recycledCopy(other), other);
    EXPECT_EQ(writer().spareCount(), 1); // another size: a fresh buffer

    const QImage copy = writer().recycledCopy(d.bitmap);
    EXPECT_EQ(copy.constBits(), lent); // the written snapshot's buffer
    EXPECT_EQ(copy, filled(3));
    EXPECT_NE(d.bitmap.constBits(), lent);
    EXPECT_EQ(writer().spareCount(), 0);
    d.clearHistory();
}
