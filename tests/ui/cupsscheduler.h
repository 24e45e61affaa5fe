// A print scheduler of the test's own: cupsd started in the foreground with its configuration,
// spool, logs and socket in a temporary folder (nothing of the system's scheduler is used or
// touched), and a queue that writes PDF files through the cups-pdf backend. Clients reach it by
// setting CUPS_SERVER to socketPath() before their first use of the print system.
#pragma once
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cstring>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/prctl.h>
#include <unistd.h>

class cupsScheduler {
public:
    cupsScheduler() : folder(QStringLiteral("/tmp/korvia-cups-XXXXXX")) {}
    ~cupsScheduler() { stop(); }

    QString socketPath() const { return folder.filePath(QStringLiteral("cups.sock")); }
    QString logPath(const QString &name) const { return folder.filePath(QStringLiteral("log/") + name); }

    // Why the scheduler cannot run here; empty when it can be tried.
    QString unavailable() const
    {
        if (!folder.isValid()) return QStringLiteral("no temporary folder");
        if (!QFileInfo(cupsd).isExecutable()) return QStringLiteral("%1 is not installed (Debian package cups)").arg(cupsd);
        if (QStandardPaths::findExecutable(QStringLiteral("lpadmin")).isEmpty())
            return QStringLiteral("lpadmin is not installed (Debian package cups-client)");
        if (pdfDriver().isEmpty()) return QStringLiteral("no cups-pdf driver (Debian package printer-driver-cups-pdf)");
        if (!QFileInfo(backend).exists()) return QStringLiteral("no cups-pdf backend at %1").arg(backend);
        if (geteuid() != 0) return QStringLiteral("the cups-pdf backend runs only for a scheduler started as root");
        return {};
    }

    // Starts cupsd and waits (at most 15 s) until its socket answers; false with the reason in
    // failure otherwise.
    bool start()
    {
        failure = unavailable();
        if (!failure.isEmpty()) return false;
        const QString d = folder.path();
        // Filters run as the scheduler's own user and must reach the spool inside this folder.
        QFile::setPermissions(d, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                     QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                     QFileDevice::ExeOther);
        for (const char *sub : {"spool/tmp", "cache", "state", "log", "ppd"}) QDir(d).mkpath(QString::fromLatin1(sub));
        write(QStringLiteral("cupsd.conf"), QStringLiteral(
            "Listen %1\n"
            "LogLevel info\n"
            "PageLogFormat \"%j %C %{job-name}\"\n"
            "Browsing No\n"
            "WebInterface No\n"
            "DefaultAuthType None\n"
            "DefaultPolicy open\n"
            "MaxJobTime 60\n"
            "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
            "<Policy open>\n"
            "  JobPrivateAccess all\n  JobPrivateValues none\n"
            "  SubscriptionPrivateAccess all\n  SubscriptionPrivateValues none\n"
            "  <Limit All>\n    Order deny,allow\n  </Limit>\n"
            "</Policy>\n").arg(socketPath()));
        write(QStringLiteral("cups-files.conf"), QStringLiteral(
            "ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/spool/tmp\nCacheDir %1/cache\n"
            "StateDir %1/state\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\n"
            "AccessLog %1/log/access_log\nErrorLog %1/log/error_log\nPageLog %1/log/page_log\n"
            "Sandboxing Relaxed\n").arg(d));

        process.setProgram(cupsd);
        process.setArguments({"-f", "-c", d + "/cupsd.conf", "-s", d + "/cups-files.conf"});
        process.setProcessChannelMode(QProcess::MergedChannels);
        // The scheduler goes with the test, however the test ends.
        process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process.start();
        if (!process.waitForStarted(5000)) {
            failure = QStringLiteral("cupsd did not start: ") + process.errorString();
            return false;
        }
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 15000) {
            if (process.state() != QProcess::Running) {
                failure = QStringLiteral("cupsd ended at once: ") + QString::fromLocal8Bit(process.readAll()) +
                          log(QStringLiteral("error_log"));
                return false;
            }
            if (answers()) return true;
            QThread::msleep(100);
        }
        failure = QStringLiteral("cupsd did not answer on its socket within 15 s") + log(QStringLiteral("error_log"));
        stop();
        return false;
    }

    // Whether something accepts connections on the socket.
    bool answers() const
    {
        const QByteArray path = QFile::encodeName(socketPath());
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (size_t(path.size()) >= sizeof address.sun_path) return false;
        memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0) return false;
        const bool ok = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
        close(fd);
        return ok;
    }

    // lpadmin against this scheduler; false with the reason in failure.
    bool lpadmin(const QStringList &arguments)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CUPS_SERVER"), socketPath());
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("lpadmin"), arguments);
        if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            p.kill();
            failure = QStringLiteral("lpadmin %1 failed: %2").arg(arguments.join(' '), QString::fromLocal8Bit(p.readAll()));
            return false;
        }
        return true;
    }

    // A PDF-writing queue, made the scheduler's default.
    bool addPdfQueue(const QString &name)
    {
        return lpadmin({"-p", name, "-E", "-v", "cups-pdf:/", "-P", pdfDriver()}) && lpadmin({"-d", name});
    }

    // Where cups-pdf puts the files of this user's jobs ("Out" of its configuration, by default
    // ${HOME}/PDF, HOME being the user's home in the password database).
    static QString outputFolder()
    {
        const passwd *pw = getpwuid(geteuid());
        const QString home = pw ? QString::fromLocal8Bit(pw->pw_dir) : QDir::homePath();
        QString out = QStringLiteral("${HOME}/PDF");
        QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
        if (conf.open(QIODevice::ReadOnly)) {
            for (const QByteArray &raw : conf.readAll().split('\n')) {
                const QString line = QString::fromLocal8Bit(raw).trimmed();
                if (line.startsWith(QLatin1String("Out "))) out = line.mid(4).trimmed();
            }
        }
        return out.replace(QLatin1String("${HOME}"), home);
    }

    QString log(const QString &name) const
    {
        QFile f(logPath(name));
        return f.open(QIODevice::ReadOnly) ? QStringLiteral("\n%1:\n%2").arg(name, QString::fromLocal8Bit(f.readAll()))
                                           : QString();
    }

    void stop()
    {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(2000);
        }
    }

    QString failure;

private:
    static QString pdfDriver()
    {
        for (const QString &path : {QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"),
                                    QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd")})
            if (QFileInfo::exists(path)) return path;
        return {};
    }

    void write(const QString &name, const QString &text)
    {
        QFile f(folder.filePath(name));
        if (f.open(QIODevice::WriteOnly)) f.write(text.toLocal8Bit());
    }

    QTemporaryDir folder;
    QProcess process;
    const QString cupsd = QStringLiteral("/usr/sbin/cupsd");
    const QString backend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
};
