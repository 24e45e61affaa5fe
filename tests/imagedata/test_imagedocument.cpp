// The image document and its undo history on disk: snapshot names, the fifty-snapshot limit,
// undo, clearing, failures that must leave everything as it was, and the scratch directory.
#include "imagedata/imagedocument.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QImage picture(int k)
{
    // Size and colour both depend on k so a wrong snapshot cannot pass for the right one.
    QImage p(3 + k % 4, 2, QImage::Format_RGB32);
    p.fill(qRgb(k, 255 - k, (k * 7) & 0xFF));
    return p;
}

bool holds(const QImage &p, int k)
{
    const QImage want = picture(k);
    return p.format() == QImage::Format_RGB32 && p.size() == want.size()
        && (p.pixel(0, 0) & 0xFFFFFF) == (want.pixel(0, 0) & 0xFFFFFF)
        && (p.pixel(p.width() - 1, 1) & 0xFFFFFF) == (want.pixel(0, 0) & 0xFFFFFF);
}

class DocumentTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QByteArray oldTmpdir;
    bool hadTmpdir = false;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        hadTmpdir = qEnvironmentVariableIsSet("TMPDIR");
        oldTmpdir = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(dir.path()));
    }
    void TearDown() override
    {
        setSaveFailureHook({});
        if (hadTmpdir)
            qputenv("TMPDIR", oldTmpdir);
        else
            qunsetenv("TMPDIR");
    }

    QStringList scratchFiles() const
    {
        QStringList files = QDir(scratchDirectory()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        files.sort();
        return files;
    }

    // The expected snapshot files 1..count of a document, by name only.
    static QStringList expectedFiles(const imageDocument &d, int count)
    {
        QStringList files;
        for (int n = 1; n <= count; ++n)
            files << QFileInfo(d.snapshotFile(n)).fileName();
        files.sort();
        return files;
    }

    // What an execute does: snapshot, then change the picture.
    static void execute(imageDocument &d, int next)
    {
        d.takeSnapshot();
        d.bitmap = picture(next);
        d.unchanged = false;
    }
};

} // namespace

TEST_F(DocumentTest, NewDocument)
{
    int owner = 0;
    imageDocument d(&owner);
    EXPECT_EQ(d.bitmap.width(), 0);
    EXPECT_EQ(d.bitmap.height(), 0);
    EXPECT_TRUE(d.bitmap.isNull());
    EXPECT_EQ(d.undoCount, 0);
    EXPECT_TRUE(d.unchanged);
    EXPECT_TRUE(d.history.empty());
    EXPECT_EQ(d.owner, &owner);
    EXPECT_TRUE(d.path.isEmpty() && d.name.isEmpty() && d.snapshotName.isEmpty());
    EXPECT_EQ(d.snapshotPrefix, scratchDirectory() + QLatin1Char('/') + d.identity());
    EXPECT_EQ(d.snapshotFile(12), d.snapshotPrefix + QStringLiteral("12.BMP"));
}

TEST_F(DocumentTest, IdentitiesAreFixedWidthDigitsAndDistinct)
{
    std::vector<std::unique_ptr<imageDocument>> documents;
    QSet<QString> names;
    for (int i = 0; i < 20; ++i) {
        documents.push_back(std::make_unique<imageDocument>());
        const QString id = documents.back()->identity();
        EXPECT_EQ(id.size(), 16) << id.toStdString();
        bool digits = true;
        for (QChar c : id)
            digits = digits && c.isDigit();
        EXPECT_TRUE(digits) << id.toStdString();
        EXPECT_TRUE(id.startsWith(QStringLiteral("%1").arg(::getpid(), 10, 10, QLatin1Char('0'))));
        // No snapshot name of one document may equal one of another.
        for (int n = 1; n <= imageDocument::maximumSnapshots; ++n)
            names.insert(documents.back()->snapshotFile(n));
    }
    EXPECT_EQ(names.size(), 20 * imageDocument::maximumSnapshots);
}

TEST_F(DocumentTest, UndoWithoutSnapshotDoesNothing)
{
    imageDocument d;
    d.bitmap = picture(1);
    d.undo();
    EXPECT_TRUE(holds(d.bitmap, 1));
    EXPECT_EQ(d.undoCount, 0);
    EXPECT_TRUE(d.unchanged);
}

TEST_F(DocumentTest, UndoRestoresAndDeletesTheSnapshot)
{
    imageDocument d;
    d.bitmap = picture(1);
    execute(d, 2);
    EXPECT_EQ(d.undoCount, 1);
    EXPECT_EQ(d.snapshotName, d.snapshotFile(1));
    ASSERT_EQ(d.history.size(), 1u);
    EXPECT_EQ(d.history[0].fileName, d.snapshotFile(1));
    EXPECT_TRUE(QFile::exists(d.snapshotFile(1)));

    d.undo();
    EXPECT_TRUE(holds(d.bitmap, 1));
    EXPECT_EQ(d.undoCount, 0);
    EXPECT_TRUE(d.unchanged);
    EXPECT_TRUE(d.history.empty());
    EXPECT_FALSE(QFile::exists(d.snapshotFile(1)));
    EXPECT_TRUE(scratchFiles().isEmpty());
}

TEST_F(DocumentTest, TwoExecutesOneUndo)
{
    imageDocument d;
    d.bitmap = picture(1);
    execute(d, 2);
    execute(d, 3);
    d.undo();
    EXPECT_EQ(d.undoCount, 1);
    EXPECT_FALSE(d.unchanged);
    EXPECT_TRUE(holds(d.bitmap, 2));
    EXPECT_EQ(d.snapshotName, d.snapshotFile(2));
    EXPECT_EQ(scratchFiles(), expectedFiles(d, 1));
}

TEST_F(DocumentTest, FiftyFirstSnapshotDropsTheOldest)
{
    imageDocument d;
    d.bitmap = picture(1);
    for (int k = 1; k <= 51; ++k)
        execute(d, k + 1); // snapshot k holds picture k
    EXPECT_EQ(d.undoCount, 50);
    EXPECT_EQ(scratchFiles(), expectedFiles(d, 50));
    ASSERT_EQ(d.history.size(), 50u);
    for (int n = 1; n <= 50; ++n) {
        EXPECT_EQ(d.history[static_cast<std::size_t>(n - 1)].fileName, d.snapshotFile(n));
        QImage stored;
        loadImageFile(stored, d.snapshotFile(n));
        EXPECT_TRUE(holds(stored, n + 1)) << "snapshot " << n; // picture 1 is gone
    }
    // Undo walks all the way back to the oldest kept picture, then stops.
    for (int k = 51; k >= 2; --k) {
        d.undo();
        ASSERT_TRUE(holds(d.bitmap, k)) << k;
    }
    EXPECT_EQ(d.undoCount, 0);
    EXPECT_TRUE(d.unchanged);
    d.undo();
    EXPECT_TRUE(holds(d.bitmap, 2));
    EXPECT_TRUE(scratchFiles().isEmpty());
}

TEST_F(DocumentTest, ClearingDeletesEverySnapshot)
{
    imageDocument d;
    d.bitmap = picture(1);
    for (int k = 1; k <= 3; ++k)
        execute(d, k + 1);
    d.clearHistory();
    EXPECT_EQ(d.undoCount, 0);
    EXPECT_TRUE(d.history.empty());
    EXPECT_TRUE(scratchFiles().isEmpty());
    d.undo();
    EXPECT_TRUE(holds(d.bitmap, 4));

    for (int k = 1; k <= 53; ++k)
        execute(d, k);
    d.clearHistory();
    EXPECT_EQ(d.undoCount, 0);
    EXPECT_TRUE(scratchFiles().isEmpty());
}

TEST_F(DocumentTest, DestructionDeletesSnapshotsOfThatDocumentOnly)
{
    auto first = std::make_unique<imageDocument>();
    imageDocument second;
    first->bitmap = picture(1);
    second.bitmap = picture(2);
    execute(*first, 3);
    execute(*first, 4);
    execute(second, 5);
    EXPECT_EQ(scratchFiles().size(), 3);
    first.reset();
    EXPECT_EQ(scratchFiles(), expectedFiles(second, 1));
    second.undo();
    EXPECT_TRUE(holds(second.bitmap, 2));
}

TEST_F(DocumentTest, FailedSnapshotWriteChangesNothing)
{
    for (int stored : {0, 2, 50}) {
        SCOPED_TRACE(testing::Message() << stored << " snapshots stored");
        imageDocument d;
        d.bitmap = picture(1);
        for (int k = 1; k <= stored; ++k)
            execute(d, k + 1);
        const int count = d.undoCount;
        const QString name = d.snapshotName;
        const auto history = d.history;
        const QStringList files = scratchFiles();
        setSaveFailureHook([](const QString &) { return false; });
        EXPECT_THROW(d.takeSnapshot(), imageError);
        setSaveFailureHook({});
        EXPECT_EQ(d.undoCount, count);
        EXPECT_EQ(d.snapshotName, name);
        ASSERT_EQ(d.history.size(), history.size());
        for (std::size_t i = 0; i < history.size(); ++i)
            EXPECT_EQ(d.history[i].fileName, history[i].fileName);
        EXPECT_EQ(scratchFiles(), files);
        EXPECT_TRUE(holds(d.bitmap, stored + 1));
        if (stored > 0) { // the oldest is still there with its picture
            QImage oldest;
            loadImageFile(oldest, d.snapshotFile(1));
            EXPECT_TRUE(holds(oldest, 1));
        }
        d.clearHistory();
    }
}

TEST_F(DocumentTest, SnapshotCutShortByTheFileSystemChangesNothing)
{
    // A real short write: the file-size limit stops write() part-way as a full disk would.
    imageDocument d;
    d.bitmap = picture(1);
    execute(d, 2);
    execute(d, 3);
    QImage large(200, 100, QImage::Format_RGB32);
    large.fill(qRgb(9, 8, 7));
    d.bitmap = large;
    const QStringList files = scratchFiles();
    void (*previousHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit limited = previous;
    limited.rlim_cur = 4096; // the small snapshots fit, the 80 kB one does not
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    bool raised = false;
    try {
        d.takeSnapshot();
    } catch (const imageError &) {
        raised = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_TRUE(raised);
    EXPECT_EQ(d.undoCount, 2);
    EXPECT_EQ(d.history.size(), 2u);
    EXPECT_EQ(d.snapshotName, d.snapshotFile(2));
    EXPECT_EQ(scratchFiles(), files); // no partial or temporary file left
    EXPECT_EQ(d.bitmap, large);
    d.undo();
    EXPECT_TRUE(holds(d.bitmap, 2));
}

TEST_F(DocumentTest, UnreadableSnapshotLeavesTheDocumentAsItWas)
{
    imageDocument d;
    d.bitmap = picture(1);
    execute(d, 2);
    QFile damaged(d.snapshotFile(1));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("BM broken");
    damaged.close();
    EXPECT_THROW(d.undo(), imageError);
    EXPECT_EQ(d.undoCount, 1);
    EXPECT_EQ(d.history.size(), 1u);
    EXPECT_TRUE(holds(d.bitmap, 2));
    EXPECT_TRUE(QFile::exists(d.snapshotFile(1)));
}

TEST_F(DocumentTest, ScratchDirectoryIsCreatedPrivateAndALinkIsRefused)
{
    {
        imageDocument d;
        d.bitmap = picture(1);
        d.takeSnapshot();
        EXPECT_TRUE(QFileInfo(scratchDirectory()).isDir());
        EXPECT_EQ(QFile::permissions(scratchDirectory()) & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther), 0);
    }
    ASSERT_TRUE(QDir(scratchDirectory()).removeRecursively());
    const QString elsewhere = dir.path() + QStringLiteral("/elsewhere");
    ASSERT_TRUE(QDir().mkdir(elsewhere));
    ASSERT_EQ(::symlink(QFile::encodeName(elsewhere).constData(), QFile::encodeName(scratchDirectory()).constData()), 0);
    imageDocument d;
    d.bitmap = picture(1);
    try {
        d.takeSnapshot();
        ADD_FAILURE() << "snapshot written through a link";
    } catch (const imageError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot create c:\\temp directory."));
    }
    EXPECT_EQ(d.undoCount, 0);
    EXPECT_TRUE(d.history.empty());
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
}

TEST_F(DocumentTest, SnapshotsStayInTheFolderOfTheirPrefix)
{
    // The temporary folder setting changes while a document is open: its snapshots keep to the
    // folder its names were made for, which is created there when needed.
    imageDocument d;
    d.bitmap = picture(1);
    const QString folder = d.snapshotFolder();
    EXPECT_EQ(folder, scratchDirectory());
    EXPECT_TRUE(d.snapshotPrefix.startsWith(folder + QLatin1Char('/')));
    QTemporaryDir other;
    ASSERT_TRUE(other.isValid());
    qputenv("TMPDIR", QFile::encodeName(other.path()));
    ASSERT_NE(scratchDirectory(), folder);
    execute(d, 2);
    EXPECT_TRUE(QFile::exists(d.snapshotFile(1)));
    EXPECT_TRUE(d.snapshotFile(1).startsWith(folder + QLatin1Char('/')));
    EXPECT_FALSE(QFileInfo::exists(scratchDirectory()));
    d.undo();
    EXPECT_TRUE(holds(d.bitmap, 1));
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
}

TEST_F(DocumentTest, NamingStepCountsAndDropsTheOldest)
{
    imageDocument d;
    d.bitmap = picture(1);
    for (int k = 1; k <= 50; ++k)
        execute(d, k + 1);
    // The naming step alone, as a caller writing the file itself would use it.
    d.nextSnapshotName();
    EXPECT_EQ(d.undoCount, 50);
    EXPECT_EQ(d.snapshotName, d.snapshotFile(50));
    ASSERT_EQ(d.history.size(), 49u);
    QImage first;
    loadImageFile(first, d.snapshotFile(1));
    EXPECT_TRUE(holds(first, 2));
    EXPECT_FALSE(QFile::exists(d.snapshotFile(50)));
}
