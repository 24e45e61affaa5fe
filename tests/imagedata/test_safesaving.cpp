// Saving pictures safely (a temporary beside the target, the old file kept when a write fails
// or stops part-way, signals, permissions) and the private scratch directory.
#include "testfiles.h"
#include "scratchfiles.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/safewrite.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <csignal>
#include <functional>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class SavingTest : public scratchFileTest {};

} // namespace

// ---- safe saving ---------------------------------------------------------------------------

TEST_F(SavingTest, FailedWriteKeepsTheOldFileAndLeavesNoTemporary)
{
    const QString name = at(QStringLiteral("keep.jpeg"));
    saveImageFile(marker(8, 8, 0xFF0000FF), name, 1, 90);
    const QByteArray original = readFile(name);
    ASSERT_FALSE(original.isEmpty());
    QString seen;
    setSaveFailureHook([&](const QString &temporary) {
        seen = temporary;
        EXPECT_TRUE(QFile::exists(temporary));
        return false;
    });
    EXPECT_THROW(saveImageFile(marker(8, 8, 0xFFFF0000), name, 1, 90), imageError);
    EXPECT_THROW(saveImageFile(marker(8, 8, 0xFFFF0000), name, 2, 90), imageError);
    EXPECT_TRUE(seen.startsWith(dir.path() + QLatin1Char('/'))); // written beside the target
    setSaveFailureHook({});
    EXPECT_EQ(readFile(name), original);
    EXPECT_EQ(entries(), QStringList{QStringLiteral("keep.jpeg")});
}

TEST(SaveSignals, AnIgnoredSignalStaysIgnored)
{
    // Started under nohup: a hangup must not end the run, while SIGTERM still cleans up.
    struct sigaction oldHangup {}, oldTerm {};
    ::sigaction(SIGHUP, nullptr, &oldHangup);
    ::sigaction(SIGTERM, nullptr, &oldTerm);
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGTERM, SIG_DFL);
    removeTemporaryOnSignals();
    struct sigaction hangup {}, term {};
    ::sigaction(SIGHUP, nullptr, &hangup);
    ::sigaction(SIGTERM, nullptr, &term);
    ::sigaction(SIGHUP, &oldHangup, nullptr);
    ::sigaction(SIGTERM, &oldTerm, nullptr);
    EXPECT_EQ(hangup.sa_handler, SIG_IGN);
    EXPECT_NE(term.sa_handler, SIG_DFL);
    EXPECT_NE(term.sa_handler, SIG_IGN);
}

// A real write that stops short: the file-size limit makes write() fail part-way (EFBIG), as a
// full disk does with ENOSPC. The old file must stay and no temporary may be left behind.
class fileSizeLimit {
public:
    explicit fileSizeLimit(rlim_t bytes)
    {
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        ok = ::getrlimit(RLIMIT_FSIZE, &previous) == 0;
        rlimit limited = previous;
        limited.rlim_cur = bytes;
        ok = ok && ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~fileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }
    bool ok = false;

private:
    rlimit previous{};
    void (*previousHandler)(int) = SIG_DFL;
};

TEST_F(SavingTest, WriteStoppedPartWayRaisesAndKeepsTheOldFile)
{
    const QString bmp = at(QStringLiteral("big.BMP")), jpeg = at(QStringLiteral("big.jpeg"));
    saveImageFile(marker(4, 4, 0xFF112233), bmp, 2, 100);
    saveImageFile(marker(4, 4, 0xFF112233), jpeg, 1, 90);
    const QByteArray oldBmp = readFile(bmp), oldJpeg = readFile(jpeg);
    QImage large(300, 200, QImage::Format_RGB32); // 240 kB as BMP, several kB as JPEG
    for (int y = 0; y < large.height(); ++y)
        for (int x = 0; x < large.width(); ++x)
            large.setPixel(x, y, qRgb((x * 37 + y * 11) & 0xFF, (x * y) & 0xFF, (x ^ y) & 0xFF));
    {
        fileSizeLimit limit(2000);
        ASSERT_TRUE(limit.ok);
        try {
            saveImageFile(large, bmp, 2, 100);
            ADD_FAILURE() << "a BMP larger than the limit was reported as written";
        } catch (const imageError &e) {
            EXPECT_TRUE(e.message().contains(bmp)) << e.what();
        }
        EXPECT_THROW(saveImageFile(large, jpeg, 1, 100), imageError);
    }
    EXPECT_EQ(readFile(bmp), oldBmp);
    EXPECT_EQ(readFile(jpeg), oldJpeg);
    QStringList names = entries();
    names.sort();
    EXPECT_EQ(names, QStringList({QStringLiteral("big.BMP"), QStringLiteral("big.jpeg")}));
}

TEST_F(SavingTest, WriteIntoMissingFolderRaises)
{
    EXPECT_THROW(saveImageFile(marker(2, 2, 0), at(QStringLiteral("no/such/dir/x.bmp")), 2, 100), imageError);
    EXPECT_THROW(saveImageFile(QImage(), at(QStringLiteral("x.bmp")), 2, 100), imageError);
    EXPECT_TRUE(entries().isEmpty());
}

TEST_F(SavingTest, SaveReplacesAnExistingFileAndKeepsItsPermissions)
{
    const QString name = at(QStringLiteral("r.BMP"));
    saveImageFile(marker(2, 2, 0xFF000000), name, 2, 100);
    ASSERT_EQ(::chmod(QFile::encodeName(name).constData(), 0640), 0);
    saveImageFile(marker(3, 1, 0xFFFFFFFF), name, 2, 100);
    QImage back;
    loadImageFile(back, name);
    EXPECT_EQ(back.size(), QSize(3, 1));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(name).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(SavingTest, UnknownTypeWritesNothing)
{
    saveImageFile(marker(2, 2, 0), at(QStringLiteral("x.png")), 0, 100);
    EXPECT_TRUE(entries().isEmpty());
}

// ---- scratch directory ---------------------------------------------------------------------

TEST_F(SavingTest, ScratchDirectoryIsInTheUsersCacheAndIsPrivate)
{
    const QByteArray old = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.path()));
    const QString scratch = scratchDirectory();
    qputenv("XDG_CACHE_HOME", "relative/cache"); // not absolute: ignored
    const QString fallback = scratchDirectory();
    // Without HOME (a service, env -i) the cache is still in the user's own home folder.
    const QByteArray oldHome = qgetenv("HOME");
    qunsetenv("HOME");
    const QString homeless = scratchDirectory();
    qputenv("HOME", oldHome);
    const passwd *user = ::getpwuid(::getuid());
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(homeless, QDir::cleanPath(QFile::decodeName(user->pw_dir)) + QStringLiteral("/.cache/korvia/undo"));
    if (old.isNull())
        qunsetenv("XDG_CACHE_HOME");
    else
        qputenv("XDG_CACHE_HOME", old);
    EXPECT_EQ(scratch, QDir::cleanPath(dir.path()) + QStringLiteral("/korvia/undo"));
    EXPECT_EQ(fallback, QDir::homePath() + QStringLiteral("/.cache/korvia/undo"));

    const QString made = at(QStringLiteral("scratch"));
    ensureDirectory(made);
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(made).constData(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_NO_THROW(ensureDirectory(made)); // already there

    // An existing folder that is open to others, or shut to its owner, is made owner-only.
    for (mode_t mode : {0777u, 0755u, 0500u, 0000u}) {
        ASSERT_EQ(::chmod(QFile::encodeName(made).constData(), mode), 0);
        EXPECT_NO_THROW(ensureDirectory(made)) << mode;
        ASSERT_EQ(::lstat(QFile::encodeName(made).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << std::oct << mode;
    }
    // So is a new one made under a umask that takes the owner's rights away.
    const mode_t oldMask = ::umask(0277);
    const QString shut = at(QStringLiteral("shut"));
    EXPECT_NO_THROW(ensureDirectory(shut));
    ::umask(oldMask);
    ASSERT_EQ(::lstat(QFile::encodeName(shut).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(SavingTest, ScratchDirectoryRefusesLinksFilesAndMissingParents)
{
    // The message says which folder could not be made, and why.
    const QString target = at(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkdir(target));
    const QString link = at(QStringLiteral("link"));
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
    const QString plainFile = at(QStringLiteral("file"));
    ASSERT_TRUE(writeFile(plainFile, "x"));
    const struct {
        QString path;
        QString reason;
    } refused[] = {
        {link, QStringLiteral("シンボリックリンク")},
        {plainFile, QString::fromLocal8Bit(std::strerror(ENOTDIR))},
        {at(QStringLiteral("a/b")), QString::fromLocal8Bit(std::strerror(ENOENT))},
    };
    for (const auto &r : refused) {
        try {
            ensureDirectory(r.path);
            ADD_FAILURE() << r.path.toStdString() << " accepted";
        } catch (const imageError &e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("元に戻すための一時フォルダー ") + r.path + QStringLiteral(" を作れません: ")))
                << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(r.reason)) << e.message().toStdString();
        }
    }
    if (::getuid() == 0) { // only root can hand a folder to another user
        const QString foreign = at(QStringLiteral("foreign"));
        ASSERT_TRUE(QDir().mkdir(foreign));
        ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
        EXPECT_THROW(ensureDirectory(foreign), imageError);
    }
}
