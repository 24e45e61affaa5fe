// Shared helpers of the main-window tests: pictures written into a temporary folder, the window
// shown offscreen with a scripted dialog service, and short ways to reach its controls.
#pragma once
#include "testfiles.h"
#include "scripteddialogs.h"

#include "imagedata/imagedocument.h"
#include "imagedata/imagefilemanager.h"
#include "imagedata/instancefolder.h"
#include "ui/widgets/imagecontrol.h"
#include "ui/mainform.h"
#include "ui/windowprobe.h"
#include "ui/widgets/pagecontrol.h"
#include "ui/widgets/radiogroup.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace testing_support {

// A scratch directory for one test class. It becomes TMPDIR and the user's cache, so the undo
// history lands in it too, and each test function gets a folder of its own inside it.
struct scratchFolders {
    QTemporaryDir directory;
    QString folder; // the current test function's

    QString path() const { return directory.path(); }

    // From initTestCase.
    bool start()
    {
        if (!directory.isValid()) return false;
        qputenv("TMPDIR", QFile::encodeName(directory.path()));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(directory.path()));
        return true;
    }
    // From init.
    bool enterTest()
    {
        folder = directory.path() + "/" + QString::fromLatin1(QTest::currentTestFunction());
        return QDir().mkpath(folder);
    }
};

inline QImage filledPicture(int width, int height, QRgb colour)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

// The window tests' names for the shared whole-file helpers of testfiles.h.
inline bool writeBytes(const QString &path, const QByteArray &bytes) { return writeFile(path, bytes); }
inline QByteArray readBytes(const QString &path) { return readFile(path); }

// A BMP file (exact pixels) or, for a .jpg/.jpeg name, a JPEG of quality 95.
inline bool writePicture(const QString &path, const QImage &picture)
{
    if (imageFileType(path) == 1) return writeBytes(path, encodeJpeg(picture, 95));
    return picture.save(path, "BMP");
}

// A picture with detail everywhere (no two neighbours alike), written once as folder/name.
inline QString texturedPicture(const QString &folder, const char *name, int w, int h)
{
    const QString path = folder + "/" + name;
    if (QFile::exists(path)) return path;
    QImage picture(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            picture.setPixel(x, y, qRgb((x * 3 + y) % 256, (y * 5) % 256, (x * y * 7 + x / 3) % 251));
    writePicture(path, picture);
    return path;
}

// A 40 × 40 mid-grey picture, written once into the scratch directory.
inline QString greyPicture(const scratchFolders &scratch)
{
    const QString path = scratch.path() + "/grey.bmp";
    if (!QFile::exists(path)) writePicture(path, filledPicture(40, 40, qRgb(128, 128, 128)));
    return path;
}

// The snapshot files currently in this process's folder of the scratch directory.
inline QStringList snapshotFiles()
{
    return QDir(instanceFolder::process().path()).entryList({"*.BMP"}, QDir::Files);
}

inline bool allWhite(const QImage &picture)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if ((picture.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) return false;
    return true;
}

inline QRgb rgbOf(QRgb pixel) { return pixel & 0xFFFFFF; }

// One window shown offscreen, with the dialogs scripted; the dialogs outlive the window so that
// its closing prompts are answered too.
struct windowUnderTest {
    scriptedDialogs dialogs;
    std::unique_ptr<TmainForm> window;

    windowUnderTest()
    {
        window = std::make_unique<TmainForm>();
        window->resize(1024, 743);
        window->show();
        QCoreApplication::processEvents();
    }
    ~windowUnderTest() { window.reset(); }

    template <class T> T *child(const char *name) const
    {
        T *found = window->findChild<T *>(QString::fromLatin1(name));
        if (!found) qWarning("no control %s", name);
        return found;
    }
    void click(const char *button) const
    {
        if (auto *b = child<QAbstractButton>(button)) b->click();
    }
    QSlider *bar(const char *name) const { return child<QSlider>(name); }
    QString text(const char *label) const
    {
        auto *l = child<QLabel>(label);
        return l ? l->text() : QString("<missing %1>").arg(label);
    }
    imageControl *image(const char *name) const { return child<imageControl>(name); }
    // The window's state beyond its controls.
    windowProbe probe() const { return {*window}; }

    // Opens a file through the open button, answering its dialog.
    void open(const QString &path)
    {
        dialogs.openFile(path);
        click("fileOpenButton");
    }
    imageDocument *document(int slot) const { return probe().documentAt(slot); }
    imageDocument *current() const { return probe().documentAt(probe().currentIndex()); }

    // Selects a colour page and tab the way the user does (the page-change handlers run).
    void selectTabs(int page, int tab)
    {
        probe().operationPages()->widget()->setCurrentIndex(page);
        pageControl *tabs[] = {probe().adjustPages(), probe().effectOnePages(),
                               probe().effectTwoPages(), probe().transformPages()};
        tabs[page]->widget()->setCurrentIndex(tab);
    }
    void selectSepia()
    {
        selectTabs(effectOnePage, monoColorTab);
        probe().monoColorGroup()->setItemIndex(1);
    }
};

} // namespace testing_support
