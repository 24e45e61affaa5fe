// The main view on two screens of different scale: moved from the plain screen to the one scaled
// ×2, the view is laid out again at once for the screen's pixels, not at the next resize.
#include "test_mainform_support.h"

#include <QScreen>
#include <QTemporaryDir>

using namespace testing_support;

class testMainFormScreens : public QObject {
    Q_OBJECT
    scratchFolders scratch;

private slots:
    void initTestCase() { QVERIFY(scratch.start()); }
    void init() { QVERIFY(scratch.enterTest()); }

    void movedToAScreenOfAnotherScale()
    {
        const QList<QScreen *> screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 2);
        windowUnderTest t;
        imageControl *view = t.image("mainImage");
        t.open(texturedPicture(scratch.path(), "screens.bmp", 2400, 1900));
        for (QScreen *screen : {screens[1], screens[0], screens[1]}) {
            t.window->setScreen(screen);
            QCoreApplication::processEvents();
            const double scale = screen->devicePixelRatio();
            QCOMPARE(view->devicePixelRatioF(), scale);
            // Fitted: the picture spans the view's width or height in the screen's pixels.
            const rectangle &fitted = t.probe().mainViewRect();
            const int across = fitted.right - fitted.left + 1, down = fitted.bottom - fitted.top + 1;
            const QSize pixels = view->size() * scale;
            QVERIFY2(std::abs(across - pixels.width()) <= 1 || std::abs(down - pixels.height()) <= 1,
                     qPrintable(QString("%1 x %2 in %3 x %4").arg(across).arg(down).arg(pixels.width()).arg(pixels.height())));
        }
    }
};

int main(int argc, char **argv)
{
    // Two screens side by side, the second scaled ×2, before the application reads them.
    QTemporaryDir folder;
    const QString config = folder.filePath("screens.json");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(R"({"screens": [
            {"name": "plain", "x": 0, "y": 0, "width": 1600, "height": 1000, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
            {"name": "doubled", "x": 1600, "y": 0, "width": 1600, "height": 1000, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 2}]})")
               < 0)
        return 1;
    file.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    QApplication app(argc, argv);
    testMainFormScreens test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_mainform_screens.moc"
