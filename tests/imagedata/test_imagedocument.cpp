// The image document and its undo history on disk: snapshot names, the fifty-snapshot limit,
// undo, clearing, failures that must leave everything as it was, and the scratch directory.
#include "documentfixture.h"
#include "imagedata/imagedocument.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/instancefolder.h"
#include "imagedata/messagesink.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <numeric>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace documentTests;

class DocumentTest : public snapshotFolderTest {
protected:
    // The expected snapshot files 1..count of a document, by name only.
    static QStringList firstSnapshotFiles(const imageDocument &d, int count)
    {
        std::vector<int> numbers(static_cast<std::size_t>(count));
        std::iota(numbers.begin(), numbers.end(), 1);
        return expectedFiles(d, numbers);
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
    EXPECT_EQ(d.snapshotPrefix, instanceFolder::process().path() + QLatin1Char('/') + d.identity());
    EXPECT_TRUE(d.snapshotPrefix.startsWith(scratchDirectory() + QStringLiteral("/instance-")));
    EXPECT_EQ(d.snapshotFile(12), d.snapshotPrefix + QStringLiteral("12.BMP"));
}

TEST_F(DocumentTest, IdentitiesAreFixedWidthDigitsAndDistinct)
{
    std::vector<std::unique_ptr<imageDocument>> documents;
    QSet<QString> names;
    for (int i = 0; i < 20; ++i) {
        documents.push_back(std::make_unique<imageDocument>());
        const QString id = documents.back()->identity();
        EXPECT_EQ(id.size(), 10) << id.toStdString();
        bool digits = true;
        for (QChar c : id)
            digits = digits && c.isDigit();
        EXPECT_TRUE(digits) << id.toStdString();
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
    EXPECT_EQ(scratchFiles(), firstSnapshotFiles(d, 1));
}

TEST_F(DocumentTest, FiftyFirstSnapshotDropsTheOldest)
{
    imageDocument d;
    d.bitmap = picture(1);
    for (int k = 1; k <= 51; ++k)
        execute(d, k + 1); // snapshot k holds picture k
    EXPECT_EQ(d.undoCount, 50);
    EXPECT_EQ(scratchFiles(), firstSnapshotFiles(d, 50));
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
    EXPECT_EQ(scratchFiles(), firstSnapshotFiles(second, 1));
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
        for (const QString &folder : {scratchDirectory(), d.snapshotFolder()}) {
            EXPECT_TRUE(QFileInfo(folder).isDir());
            EXPECT_EQ(QFile::permissions(folder) & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther), 0);
        }
    }
    // Somebody put a link where the scratch directory goes before this (new) cache was used.
    QTemporaryDir other;
    ASSERT_TRUE(other.isValid());
    qputenv("XDG_CACHE_HOME", QFile::encodeName(other.path()));
    const QString elsewhere = dir.path() + QStringLiteral("/elsewhere");
    ASSERT_TRUE(QDir().mkpath(elsewhere) && QDir().mkpath(other.path() + QStringLiteral("/korvia")));
    ASSERT_EQ(::symlink(QFile::encodeName(elsewhere).constData(), QFile::encodeName(scratchDirectory()).constData()), 0);
    // The snapshots go to a private folder of this process instead, never through the link.
    imageDocument d;
    d.bitmap = picture(1);
    d.takeSnapshot();
    EXPECT_EQ(d.undoCount, 1);
    EXPECT_FALSE(d.snapshotPrefix.startsWith(scratchDirectory()));
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.path()));
}

TEST_F(DocumentTest, ACacheOfAnotherUserOrOpenToOthersIsNotUsed)
{
    // Each case in a cache of its own; the cache folder itself, and the folders "korvia" and
    // "korvia/undo" in it, as someone left them.
    enum class who { me, other, link };
    enum class cacheKind { plain, openToAll, linkIntoOpenFolder, linkToOther, linkIntoStickyFolder };
    const struct {
        const char *name;
        who korvia;
        mode_t korviaMode;
        who undo;
        cacheKind cache = cacheKind::plain;
        bool trusted = false;
    } cases[] = {
        {"korvia of another user", who::other, 0755, who::me},
        {"korvia writable by all", who::me, 0777, who::me},
        {"korvia writable by its group", who::me, 0775, who::me},
        {"korvia a link", who::link, 0755, who::me},
        {"undo of another user", who::me, 0755, who::other},
        {"undo a link", who::me, 0755, who::link},
        {"cache writable by all", who::me, 0700, who::me, cacheKind::openToAll},
        {"cache a link into a folder writable by all", who::me, 0700, who::me, cacheKind::linkIntoOpenFolder},
        {"cache a link to another user's folder", who::me, 0700, who::me, cacheKind::linkToOther},
        {"cache a link into a sticky shared folder", who::me, 0700, who::me, cacheKind::linkIntoStickyFolder, true},
    };
    const bool root = ::getuid() == 0; // only root can hand a folder to another user
    QStringList said;
    const messageSink previous = setMessageSink([&said](const QString &text) { said << text; });
    for (const auto &c : cases) {
        if (!root && (c.korvia == who::other || c.undo == who::other || c.cache == cacheKind::linkToOther)) continue;
        QTemporaryDir top;
        ASSERT_TRUE(top.isValid());
        const QByteArray cache = QFile::encodeName(top.path()) + "/cache", shared = QFile::encodeName(top.path()) + "/shared";
        const QByteArray korvia = cache + "/korvia", undo = korvia + "/undo";
        const QByteArray elsewhere = QFile::encodeName(top.path()) + "/elsewhere";
        ASSERT_EQ(::mkdir(elsewhere.constData(), 0777), 0);
        const auto make = [&](const QByteArray &path, who owner, mode_t mode) {
            if (owner == who::link) return ::symlink(elsewhere.constData(), path.constData()) == 0;
            return ::mkdir(path.constData(), mode) == 0 && ::chmod(path.constData(), mode) == 0
                && (owner == who::me || ::chown(path.constData(), 65534, 65534) == 0);
        };
        switch (c.cache) {
        case cacheKind::plain: ASSERT_TRUE(make(cache, who::me, 0700)); break;
        case cacheKind::openToAll: ASSERT_TRUE(make(cache, who::me, 0777)); break;
        case cacheKind::linkToOther: ASSERT_TRUE(make(shared, who::other, 0777)); break;
        case cacheKind::linkIntoOpenFolder:
        case cacheKind::linkIntoStickyFolder:
            ASSERT_TRUE(make(shared, who::me, c.cache == cacheKind::linkIntoOpenFolder ? 0777 : 01777));
            ASSERT_TRUE(make(shared + "/mine", who::me, 0700));
            break;
        }
        const bool linked = c.cache != cacheKind::plain && c.cache != cacheKind::openToAll;
        if (linked) {
            ASSERT_EQ(::symlink(c.cache == cacheKind::linkToOther ? shared.constData() : (shared + "/mine").constData(), cache.constData()), 0);
        } else {
            ASSERT_TRUE(make(korvia, c.korvia, c.korviaMode)) << c.name;
            if (c.korvia != who::link) {
                ASSERT_TRUE(make(undo, c.undo, 0700)) << c.name;
            }
        }
        qputenv("XDG_CACHE_HOME", cache);
        said.clear();
        const QString folder = instanceFolder::process().path();
        EXPECT_EQ(folder.startsWith(QFile::decodeName(cache)), c.trusted) << c.name;
        EXPECT_EQ(said.size(), c.trusted ? 0 : 1) << c.name;
        if (linked && !c.trusted) { // nothing made where the link leads
            EXPECT_FALSE(QFileInfo::exists(QFile::decodeName(korvia))) << c.name;
        }
        struct stat info {};
        const QByteArray parent = QFile::encodeName(QFileInfo(folder).path());
        ASSERT_EQ(::lstat(parent.constData(), &info), 0) << c.name;
        EXPECT_TRUE(S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 0777) == 0700) << c.name;
        imageDocument d;
        d.bitmap = picture(1);
        execute(d, 2);
        EXPECT_TRUE(QFile::exists(d.snapshotFile(1))) << c.name;
        EXPECT_TRUE(d.snapshotFile(1).startsWith(folder + QLatin1Char('/'))) << c.name;
        EXPECT_TRUE(QDir(QFile::decodeName(elsewhere)).isEmpty()) << c.name;
        d.undo();
        EXPECT_TRUE(holds(d.bitmap, 1)) << c.name;
    }
    setMessageSink(previous);
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.path()));
}

TEST_F(DocumentTest, SnapshotsStayInTheFolderOfTheirPrefix)
{
    // The cache setting changes while a document is open: its snapshots keep to the folder its
    // names were made for, which is made again when it has gone.
    imageDocument d;
    d.bitmap = picture(1);
    const QString folder = d.snapshotFolder();
    EXPECT_TRUE(d.snapshotPrefix.startsWith(folder + QLatin1Char('/')));
    QTemporaryDir other;
    ASSERT_TRUE(other.isValid());
    qputenv("XDG_CACHE_HOME", QFile::encodeName(other.path()));
    ASSERT_TRUE(QDir(folder).removeRecursively());
    execute(d, 2);
    EXPECT_TRUE(QFile::exists(d.snapshotFile(1)));
    EXPECT_TRUE(d.snapshotFile(1).startsWith(folder + QLatin1Char('/')));
    EXPECT_FALSE(QFileInfo::exists(scratchDirectory()));
    d.undo();
    EXPECT_TRUE(holds(d.bitmap, 1));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.path()));
}

TEST_F(DocumentTest, FoldersOfInstancesThatAreGoneAreRemovedAndRunningOnesKept)
{
    const QString base = scratchDirectory();
    // A real instance in a child process: it takes its folder, stores a snapshot and waits.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeEnds[0]);
        instanceFolder own(base);
        const QByteArray path = QFile::encodeName(own.path());
        QFile snapshot(own.path() + QStringLiteral("/00000000013.BMP"));
        const bool ok = snapshot.open(QIODevice::WriteOnly) && snapshot.write("BM") == 2;
        snapshot.close();
        if (!ok || ::write(pipeEnds[1], path.constData(), size_t(path.size())) != path.size()) ::_exit(1);
        ::close(pipeEnds[1]);
        ::pause();
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    char buffer[4096];
    const ssize_t length = ::read(pipeEnds[0], buffer, sizeof buffer);
    ::close(pipeEnds[0]);
    ASSERT_GT(length, 0);
    const QString childFolder = QFile::decodeName(QByteArray(buffer, int(length)));
    EXPECT_TRUE(childFolder.startsWith(base + QStringLiteral("/instance-")));

    // This process's own folder, with a snapshot of one of its documents.
    imageDocument mine;
    mine.bitmap = picture(1);
    execute(mine, 2);

    // A folder whose lock another running instance holds (a lock held elsewhere in this process
    // counts the same: flock locks belong to the open file).
    instanceFolder running(base);
    ASSERT_TRUE(QFile(running.path() + QStringLiteral("/00000000011.BMP")).open(QIODevice::WriteOnly));

    EXPECT_EQ(instanceFolder::removeAbandoned(base), 0);
    EXPECT_TRUE(QFile::exists(childFolder + QStringLiteral("/00000000013.BMP")));

    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    // An instance that died before its lock file had its name leaves an empty folder.
    ASSERT_TRUE(QDir().mkdir(base + QStringLiteral("/instance-early")));

    EXPECT_EQ(instanceFolder::removeAbandoned(base), 2);
    EXPECT_FALSE(QFileInfo::exists(childFolder));
    EXPECT_FALSE(QFileInfo::exists(base + QStringLiteral("/instance-early")));
    EXPECT_TRUE(QFile::exists(running.path() + QStringLiteral("/00000000011.BMP")));
    EXPECT_TRUE(QFile::exists(mine.snapshotFile(1)));
    mine.undo();
    EXPECT_TRUE(holds(mine.bitmap, 1));
}

TEST_F(DocumentTest, InstancesWithTheSameProcessIdKeepApart)
{
    // Two instances in one process stand for two processes whose ids are equal (separate
    // process namespaces sharing one cache): their documents' identities are equal too.
    const QString base = scratchDirectory();
    auto first = std::make_unique<instanceFolder>(base);
    instanceFolder second(base);
    ASSERT_NE(first->path(), second.path());
    const auto fileIn = [](const instanceFolder &f) { return f.path() + QStringLiteral("/00000000011.BMP"); };
    saveImageFile(picture(1), fileIn(*first), 2, 100);
    saveImageFile(picture(2), fileIn(second), 2, 100);
    QImage read;
    loadImageFile(read, fileIn(*first));
    EXPECT_TRUE(holds(read, 1));
    // Ending one removes its folder and nothing of the other.
    first.reset();
    EXPECT_EQ(instanceFolder::removeAbandoned(base), 0);
    loadImageFile(read, fileIn(second));
    EXPECT_TRUE(holds(read, 2));
    EXPECT_EQ(QDir(base).entryList({QStringLiteral("instance-*")}, QDir::Dirs), QStringList{QFileInfo(second.path()).fileName()});
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
