// The About box and the keyboard: once shown it takes the keyboard, so that Escape closes it. The
// check runs on a private X server (Xvfb), where a new window gets the keyboard only when it asks
// for it, as under a desktop that keeps the focus where it is; the offscreen platform gives every
// window it shows the keyboard by itself, so there the test runs itself again on such a server.
#include "ui/aboutdialogbox.h"

#include <QApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <QWindow>

class testAboutBox : public QObject {
    Q_OBJECT
private slots:
    void escapeClosesTheBox();

private:
    void runOnPrivateServer();
};

void testAboutBox::runOnPrivateServer()
{
    QProcess server;
    // -displayfd: the server picks a free display number and writes it to its standard output.
    server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                          QStringLiteral("0"), QStringLiteral("1024x768x24"),
                                          QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!server.waitForStarted(5000)) QSKIP("Xvfb is not available");
    const auto stop = qScopeGuard([&] {
        server.terminate();
        if (!server.waitForFinished(3000)) server.kill();
        server.waitForFinished(1000);
    });
    QString number;
    for (int i = 0; i < 100 && number.isEmpty(); ++i) {
        server.waitForReadyRead(100);
        number = QString::fromLatin1(server.readAllStandardOutput()).trimmed();
    }
    QVERIFY2(!number.isEmpty(), "Xvfb reported no display");

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + number);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("escapeClosesTheBox")});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
}

void testAboutBox::escapeClosesTheBox()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        runOnPrivateServer();
        return;
    }
    // The window the user works in has the keyboard; the box is shown over it, twice.
    QWidget owner;
    owner.resize(400, 300);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    TAboutBox *box = new TAboutBox(&owner);
    for (int showing = 0; showing < 2; ++showing) {
        owner.activateWindow();
        QTRY_COMPARE(QGuiApplication::focusWindow(), owner.windowHandle());
        box->show();
        QTRY_COMPARE(QGuiApplication::focusWindow(), box->windowHandle());
        QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Escape);
        QVERIFY(box->isHidden());
    }
}

QTEST_MAIN(testAboutBox)
#include "test_aboutbox.moc"
