// File names: picture types by extension, the names a save writes, names in messages and on disk,
// and what an interrupted save leaves behind.
#include "imagedata/filenames.h"
#include "imagedata/imageerror.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/safewrite.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList everything(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

bool writeRaw(const QByteArray &path, const QByteArray &bytes)
{
    FILE *f = std::fopen(path.constData(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), f) == std::size_t(bytes.size());
    return std::fclose(f) == 0 && ok;
}

} // namespace

TEST(FileNames, TypesByExtensionCaseSensitively)
{
    for (const char *n : {"photo.jpg", "photo.JPG", "photo.jpeg", "photo.JPEG", "/a/b.c/photo.jpg"})
        EXPECT_EQ(imageFileType(QString::fromLatin1(n)), 1) << n;
    for (const char *n : {"photo.bmp", "photo.BMP", "x.y/p.bmp"})
        EXPECT_EQ(imageFileType(QString::fromLatin1(n)), 2) << n;
    for (const char *n : {"photo.Jpg", "photo.jpe", "photo", "photo.Bmp", "dir.jpg/photo", "photo.jpg.txt", ""})
        EXPECT_EQ(imageFileType(QString::fromLatin1(n)), 0) << n;
}

TEST(FileNames, ExtensionHelpers)
{
    EXPECT_EQ(fileExtension(QStringLiteral("/my.dir/photo")), QString());
    EXPECT_EQ(fileExtension(QStringLiteral("/my.dir/photo.x.jpg")), QStringLiteral(".jpg"));
    EXPECT_EQ(changeFileExt(QStringLiteral("/my.dir/photo"), QStringLiteral(".jpeg")), QStringLiteral("/my.dir/photo.jpeg"));
    EXPECT_EQ(changeFileExt(QStringLiteral("a.b.c"), QStringLiteral(".d")), QStringLiteral("a.b.d"));
    EXPECT_EQ(extractFileName(QStringLiteral("/home/u/p.jpg")), QStringLiteral("p.jpg"));
    EXPECT_EQ(extractFileName(QStringLiteral("p.jpg")), QStringLiteral("p.jpg"));
}

TEST(FileNames, SaveNames)
{
    // A name that fits the type is kept as typed; otherwise only the last extension gives way.
    const struct {
        const char *typed;
        int type;
        const char *saved;
    } names[] = {
        {"photo", 1, "photo.jpeg"},
        {"photo.bmp", 1, "photo.jpeg"},
        {"holiday.2009.jpg", 2, "holiday.2009.BMP"},
        {"holiday.2009.jpg", 1, "holiday.2009.jpg"},
        {"photo.JPG", 1, "photo.JPG"},
        {"photo.JPEG", 1, "photo.JPEG"},
        {"photo.jpeg", 1, "photo.jpeg"},
        {"photo.Jpg", 1, "photo.jpeg"},
        {"picture.bmp", 2, "picture.bmp"},
        {"picture.BMP", 2, "picture.BMP"},
        {"picture.Bmp", 2, "picture.BMP"},
        {"/d/my.dir/photo", 1, "/d/my.dir/photo.jpeg"},
        {"/d/my.dir/photo.jpg", 0, "/d/my.dir/photo"},
    };
    for (const auto &n : names)
        EXPECT_EQ(saveFileName(QString::fromLatin1(n.typed), n.type), QString::fromLatin1(n.saved)) << n.typed << " " << n.type;
    EXPECT_EQ(writtenFileName(QStringLiteral("/d/a.jpg"), 1), QStringLiteral("/d/a.jpeg"));
    EXPECT_EQ(writtenFileName(QStringLiteral("/d/a.bmp"), 2), QStringLiteral("/d/a.BMP"));
    EXPECT_EQ(writtenFileName(QStringLiteral("/d.x/a"), 2), QStringLiteral("/d.x/a.BMP"));
}

// ---- names as bytes -------------------------------------------------------------------------

TEST(FileNameBytes, NamesAreTakenByteForByteOrRefused)
{
    EXPECT_EQ(nameFromBytes("photo.jpg"), QStringLiteral("photo.jpg"));
    EXPECT_EQ(nameFromBytes("写真.jpg"), QStringLiteral("写真.jpg"));
    // Not UTF-8: a Latin-1 é, a lone continuation byte, an overlong slash, a UTF-16 surrogate.
    for (const QByteArray &bytes : {QByteArray("x\xe9.jpg"), QByteArray("\x80.bmp"), QByteArray("a\xc0\xaf.jpg"),
                                    QByteArray("\xed\xa0\x80.jpg")}) {
        try {
            nameFromBytes(bytes);
            ADD_FAILURE() << bytes.toStdString() << " taken";
        } catch (const imageError &e) {
            EXPECT_FALSE(e.message().contains(QChar::ReplacementCharacter)) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QStringLiteral("\\x"))) << e.message().toStdString();
        }
    }
    EXPECT_EQ(printableBytes("x\xe9.jpg"), QStringLiteral("x\\xE9.jpg"));
    EXPECT_EQ(printableBytes("写\x1b.jpg"), QStringLiteral("写\\x1B.jpg"));
    EXPECT_EQ(printableName(QStringLiteral("a\nb\tc\u0085d\u007fe.jpg")), QStringLiteral("a\\nb\\tc\\x85d\\x7Fe.jpg"));
}

TEST(FileNameBytes, ANameThatMayStandForAnotherFileIsRefused)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray folder = QFile::encodeName(dir.path());
    ASSERT_TRUE(writeRaw(folder + "/x\xe9.jpg", "a picture whose name is not UTF-8"));
    // A dialog shows it as x\uFFFD.jpg: that text reaches another file, or none.
    const QString shown = dir.path() + QStringLiteral("/x\uFFFD.jpg");
    EXPECT_THROW(checkNameOnDisk(shown), imageError);
    try {
        checkNameOnDisk(shown);
    } catch (const imageError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("x\\xE9.jpg"))) << e.message().toStdString();
    }
    EXPECT_NO_THROW(checkNameOnDisk(dir.path() + QStringLiteral("/plain.jpg")));
    EXPECT_NO_THROW(checkNameOnDisk(dir.path() + QStringLiteral("/other\uFFFD.jpg"))); // nothing like it there
    EXPECT_EQ(::unlink((folder + "/x\xe9.jpg").constData()), 0); // QTemporaryDir cannot name it
}

TEST(FileNameBytes, ANameHoldingPlaceholdersStaysTheName)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A JPEG whose frame header declares 65500 x 65500 pixels, refused before decoding.
    QByteArray jpeg = encodeJpeg(QImage(8, 8, QImage::Format_RGB32), 90);
    const qsizetype sof = jpeg.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    for (int k : {5, 7}) {
        jpeg[sof + k] = char(0xFF);
        jpeg[sof + k + 1] = char(0xDC);
    }
    const QString name = dir.path() + QStringLiteral("/bomb%1%2.jpg");
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(jpeg) == jpeg.size());
    file.close();
    QImage picture;
    try {
        loadImageFile(picture, name);
        ADD_FAILURE() << "65500 x 65500 opened";
    } catch (const imageError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("bomb%1%2.jpg"))) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QStringLiteral("65500 × 65500"))) << e.message().toStdString();
    }
}

TEST(SafeWrite, ASaveKilledOutrightLeavesNothingBehind)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString target = dir.path() + QStringLiteral("/kept.jpg");
    ASSERT_TRUE(writeRaw(QFile::encodeName(target), "the user's picture"));
    for (const QString &name : {target, dir.path() + QStringLiteral("/new.bmp")}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Half the picture is on its way when the process is killed (SIGKILL: no handler runs).
            writeFileSafely(name, [](int fd) {
                static const std::vector<char> half(1 << 20, 'x');
                if (writeAll(fd, half.data(), half.size()) != 0) ::_exit(3);
                ::raise(SIGKILL);
                return 0;
            });
            ::_exit(4);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
        EXPECT_EQ(everything(dir.path()), QStringList{QStringLiteral("kept.jpg")}) << name.toStdString();
    }
    QFile kept(target);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("the user's picture"));
}

TEST(SafeWrite, AWriteThatKeepsExistingFilesNeverReplacesOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString target = dir.path() + QStringLiteral("/a.jpg");
    const QByteArray path = QFile::encodeName(target);
    const auto readBack = [&] {
        QFile file(target);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    // Another process takes the name while the bytes are written: its file stays.
    EXPECT_THROW(writeFileSafely(target, [&](int fd) {
        EXPECT_TRUE(writeRaw(path, "the other worker's"));
        return writeAll(fd, "ours", 4);
    }, existingTarget::keep), targetTaken);
    EXPECT_EQ(readBack(), QByteArray("the other worker's"));
    // Taken before: nothing is written at all.
    bool wrote = false;
    EXPECT_THROW(writeFileSafely(target, [&](int) { wrote = true; return 0; }, existingTarget::keep), targetTaken);
    EXPECT_FALSE(wrote);
    EXPECT_EQ(everything(dir.path()), QStringList{QStringLiteral("a.jpg")});
    // A free name is written; replacing (the window's saves) still replaces.
    writeFileSafely(dir.path() + QStringLiteral("/b.jpg"), [](int fd) { return writeAll(fd, "b", 1); },
                    existingTarget::keep);
    writeFileSafely(target, [](int fd) { return writeAll(fd, "ours", 4); });
    EXPECT_EQ(readBack(), QByteArray("ours"));
    EXPECT_EQ(everything(dir.path()), (QStringList{QStringLiteral("a.jpg"), QStringLiteral("b.jpg")}));
}
