// What the image document's tests share: small pictures that tell each other apart, a cache moved
// into a folder of each test (and with it the snapshot folder), and the files found there.
#pragma once
#include "imagedata/imagedocument.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/instancefolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <vector>

namespace documentTests {

// Size and colour both depend on k so a wrong snapshot cannot pass for the right one.
inline QImage picture(int k)
{
    QImage p(3 + k % 4, 2, QImage::Format_RGB32);
    p.fill(qRgb(k, 255 - k, (k * 7) & 0xFF));
    return p;
}

inline bool holds(const QImage &p, int k)
{
    const QImage want = picture(k);
    return p.format() == QImage::Format_RGB32 && p.size() == want.size()
        && (p.pixel(0, 0) & 0xFFFFFF) == (want.pixel(0, 0) & 0xFFFFFF)
        && (p.pixel(p.width() - 1, 1) & 0xFFFFFF) == (want.pixel(0, 0) & 0xFFFFFF);
}

class snapshotFolderTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QByteArray oldCache;
    bool hadCache = false;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        hadCache = qEnvironmentVariableIsSet("XDG_CACHE_HOME");
        oldCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", QFile::encodeName(dir.path()));
    }
    void TearDown() override
    {
        setSaveFailureHook({});
        if (hadCache)
            qputenv("XDG_CACHE_HOME", oldCache);
        else
            qunsetenv("XDG_CACHE_HOME");
    }

    // Everything in this process's snapshot folder but its lock.
    static QStringList scratchFiles()
    {
        QStringList files = QDir(instanceFolder::process().path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        files.removeOne(QStringLiteral("lock"));
        files.sort();
        return files;
    }

    // The names of a document's snapshot files of the given numbers.
    static QStringList expectedFiles(const imageDocument &d, const std::vector<int> &numbers)
    {
        QStringList files;
        for (int n : numbers)
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

} // namespace documentTests
