// Starts the built korvia program on a private X server (Xvfb), finds its main window and closes it
// the way a window manager does (a WM_DELETE_WINDOW message), and checks that the program then ends
// by itself with exit code 0. The binary comes from KORVIA_BINARY (set by the test's CMake file).
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>

#include <dlfcn.h>

namespace {

// The few Xlib calls needed, loaded at run time so the test links nothing beyond Qt; the event
// layout is Xlib's XClientMessageEvent inside its 24-long XEvent union.
struct clientMessage {
    int type;
    unsigned long serial;
    int sendEvent;
    void *display;
    unsigned long window;
    unsigned long messageType;
    int format;
    long data[5];
};
union xEvent {
    clientMessage message;
    long pad[24];
};
constexpr int clientMessageType = 33; // ClientMessage

struct xlib {
    void *handle = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    void *(*openDisplay)(const char *) = nullptr;
    int (*closeDisplay)(void *) = nullptr;
    unsigned long (*internAtom)(void *, const char *, int) = nullptr;
    int (*sendEvent)(void *, unsigned long, int, long, xEvent *) = nullptr;
    int (*flush)(void *) = nullptr;

    xlib()
    {
        if (!handle) return;
        openDisplay = reinterpret_cast<decltype(openDisplay)>(dlsym(handle, "XOpenDisplay"));
        closeDisplay = reinterpret_cast<decltype(closeDisplay)>(dlsym(handle, "XCloseDisplay"));
        internAtom = reinterpret_cast<decltype(internAtom)>(dlsym(handle, "XInternAtom"));
        sendEvent = reinterpret_cast<decltype(sendEvent)>(dlsym(handle, "XSendEvent"));
        flush = reinterpret_cast<decltype(flush)>(dlsym(handle, "XFlush"));
    }
    ~xlib()
    {
        if (handle) dlclose(handle);
    }
    bool ok() const { return openDisplay && closeDisplay && internAtom && sendEvent && flush; }
};

// Asks the window to close, as a window manager's close button does.
bool sendDeleteWindow(const QString &display, unsigned long window)
{
    xlib x;
    if (!x.ok()) return false;
    void *dpy = x.openDisplay(display.toLocal8Bit().constData());
    if (!dpy) return false;
    xEvent event{};
    event.message.type = clientMessageType;
    event.message.window = window;
    event.message.messageType = x.internAtom(dpy, "WM_PROTOCOLS", 0);
    event.message.format = 32;
    event.message.data[0] = long(x.internAtom(dpy, "WM_DELETE_WINDOW", 0));
    event.message.data[1] = 0; // CurrentTime
    const int sent = x.sendEvent(dpy, window, 0, 0, &event);
    x.flush(dpy);
    x.closeDisplay(dpy);
    return sent != 0;
}

struct foundWindow {
    unsigned long id = 0;
    QSize size;
};

// The largest window titled exactly `title`, from xwininfo's tree of the root window (Qt also
// names its tiny 1 x 1 client-leader window after the program).
foundWindow findWindow(const QString &display, const QString &title)
{
    QProcess tree;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    tree.setProcessEnvironment(env);
    tree.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    if (!tree.waitForFinished(5000)) return {};
    const QString out = QString::fromUtf8(tree.readAllStandardOutput());
    // e.g.   0x200008 "Korvia": ("korvia" "korvia")  1008x706+0+0  +0+0
    const QRegularExpression line(QStringLiteral("^\\s*(0x[0-9a-fA-F]+) \"([^\"]*)\":.*?\\s(\\d+)x(\\d+)[+-]"),
                                  QRegularExpression::MultilineOption);
    foundWindow best;
    for (auto it = line.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        const QSize size(m.captured(3).toInt(), m.captured(4).toInt());
        if (m.captured(2) == title && size.width() * size.height() > best.size.width() * best.size.height())
            best = {m.captured(1).toULong(nullptr, 16), size};
    }
    return best.size.width() > 1 ? best : foundWindow{};
}

} // namespace

class testAppBinary : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void startsShowsItsWindowAndClosesCleanly();
    void aSignalTakesTheUndoFolderAlong();

private:
    QProcess server;
    QString display;
};

void testAppBinary::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("KORVIA_BINARY")) QSKIP("KORVIA_BINARY is not set (run through ctest)");
    // -displayfd: the server picks a free display number and writes it to its standard output.
    server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                          QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                                          QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QVERIFY2(server.waitForStarted(5000), "Xvfb did not start");
    QString number;
    for (int i = 0; i < 100 && number.isEmpty(); ++i) {
        server.waitForReadyRead(100);
        number = QString::fromLatin1(server.readAllStandardOutput()).trimmed();
    }
    QVERIFY2(!number.isEmpty(), "Xvfb reported no display");
    display = QStringLiteral(":") + number;
}

void testAppBinary::cleanupTestCase()
{
    if (server.state() != QProcess::NotRunning) {
        server.terminate();
        if (!server.waitForFinished(3000)) server.kill();
        server.waitForFinished(1000);
    }
}

void testAppBinary::startsShowsItsWindowAndClosesCleanly()
{
    QProcess korvia;
    // However the test ends, the program does not outlive it.
    const auto stop = qScopeGuard([&] {
        if (korvia.state() != QProcess::NotRunning) {
            korvia.kill();
            korvia.waitForFinished(2000);
        }
    });
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    korvia.setProcessEnvironment(env);
    korvia.setProcessChannelMode(QProcess::ForwardedChannels);
    korvia.start(qEnvironmentVariable("KORVIA_BINARY"), {});
    QVERIFY2(korvia.waitForStarted(5000), "korvia did not start");

    foundWindow window;
    for (int i = 0; i < 150 && !window.id; ++i) {
        if (korvia.waitForFinished(100)) break; // ended early: reported below
        window = findWindow(display, QStringLiteral("Korvia"));
    }
    if (!window.id) QFAIL("no window titled Korvia appeared");
    QVERIFY2(window.size.width() >= 1008 && window.size.height() >= 706,
             qPrintable(QStringLiteral("%1x%2").arg(window.size.width()).arg(window.size.height())));
    QCOMPARE(korvia.state(), QProcess::Running);

    QVERIFY(sendDeleteWindow(display, window.id));
    if (!korvia.waitForFinished(10000)) QFAIL("korvia kept running after its window was closed");
    QCOMPARE(korvia.exitStatus(), QProcess::NormalExit);
    QCOMPARE(korvia.exitCode(), 0);
}

// A logout (SIGTERM), Ctrl-C (SIGINT) or a closed terminal (SIGHUP) ends the program without
// leaving its undo folder until the next start; a signal it was started to ignore stays ignored.
// With a cache others may write in, the private folder taken instead goes too, even while the
// message about it waits for the user.
void testAppBinary::aSignalTakesTheUndoFolderAlong()
{
    const struct {
        int signal;
        bool ignoredAtStart;
        bool openCache;
    } cases[] = {{SIGTERM, false, false}, {SIGINT, false, false}, {SIGHUP, false, false},
                 {SIGHUP, true, false}, {SIGTERM, false, true}};
    for (const auto &c : cases) {
        QTemporaryDir cache, runtime;
        QVERIFY(cache.isValid() && runtime.isValid());
        if (c.openCache) {
            QVERIFY(QDir(cache.path()).mkdir(QStringLiteral("korvia")));
            QCOMPARE(::chmod(QFile::encodeName(cache.path() + QStringLiteral("/korvia")).constData(), 0777), 0);
        }
        QProcess korvia;
        const auto stop = qScopeGuard([&] {
            if (korvia.state() != QProcess::NotRunning) {
                korvia.kill();
                korvia.waitForFinished(2000);
            }
        });
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), cache.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        korvia.setProcessEnvironment(env);
        korvia.setProcessChannelMode(QProcess::ForwardedChannels);
        const QString binary = qEnvironmentVariable("KORVIA_BINARY");
        if (c.ignoredAtStart)
            korvia.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("trap '' HUP; exec \"$0\""), binary});
        else
            korvia.start(binary, {});
        QVERIFY2(korvia.waitForStarted(5000), "korvia did not start");
        const QString undo = cache.path() + QStringLiteral("/korvia/undo");
        const auto instances = [&] {
            QStringList found = QDir(undo).entryList({QStringLiteral("instance-*")}, QDir::Dirs | QDir::Hidden);
            found += QDir(runtime.path()).entryList({QStringLiteral("korvia-undo-*")}, QDir::Dirs | QDir::Hidden);
            return found;
        };
        for (int i = 0; i < 200 && instances().isEmpty(); ++i)
            if (korvia.waitForFinished(50)) break;
        QCOMPARE(instances().size(), 1);

        QCOMPARE(::kill(pid_t(korvia.processId()), c.signal), 0);
        if (c.ignoredAtStart) {
            QVERIFY2(!korvia.waitForFinished(1000), "an ignored SIGHUP ended korvia");
            QCOMPARE(instances().size(), 1);
            QCOMPARE(::kill(pid_t(korvia.processId()), SIGTERM), 0);
        }
        QVERIFY2(korvia.waitForFinished(10000), "korvia kept running after the signal");
        QCOMPARE(korvia.exitStatus(), QProcess::CrashExit); // ended by the signal, as it would be
        QCOMPARE(instances(), QStringList());
    }
}

QTEST_GUILESS_MAIN(testAppBinary)
#include "test_app_binary.moc"
