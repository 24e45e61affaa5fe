// korvia-batch: the window's engine code from the command line.
//   korvia-batch apply INPUT -o OUTPUT [-q QUALITY] [--seed N] OP...
//   korvia-batch apply INPUT... -o FOLDER [-r] [--files-from LIST [-0]] [-j N] [--report FILE] OP...
//   korvia-batch info INPUT
//   korvia-batch kernel OP[:keys] -o FILE
//   korvia-batch --help
// Exit 0 on success; on failure exit 1 with one line "korvia-batch: <message>" on stderr and no
// partial output file. Many photos: 0 all done, 1 some failed (each named), 2 a usage error.
#include "batchapply.h"
#include "batchinfo.h"
#include "batchkernel.h"
#include "batchmany.h"
#include "commandline.h"

#include "imagedata/filenames.h"
#include "imagedata/imageerror.h"
#include "imagedata/messagesink.h"
#include "imagedata/safewrite.h"
#include "ui/uilanguage.h"

#include <QCoreApplication>
#include <QString>
#include <QtGlobal>

#include <clocale>
#include <cstdio>
#include <exception>
#include <new>
#include <string>

namespace {
bool messageShown = false;

void failLine(const QString &message)
{
    // One line, whatever a file name in it holds: control characters are shown escaped.
    const QString line = printableName(message);
    std::fprintf(stderr, "korvia-batch: %s\n", line.toLocal8Bit().constData());
}

// Qt's own diagnostics (format plugins, image readers) would add stray lines to stderr; every
// failure that matters reaches the user as the one error line instead. KORVIA_BATCH_DEBUG=1
// shows them.
void qtMessage(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtFatalMsg || qEnvironmentVariableIsSet("KORVIA_BATCH_DEBUG"))
        std::fprintf(stderr, "korvia-batch: %s\n", text.toLocal8Bit().constData());
}
} // namespace

int main(int argc, char **argv)
{
    // The messages in the desktop's language (KORVIA_LANG overrides it) need an application object;
    // the C library's locale it sets from the environment is put back, so numbers keep their points.
    const std::string startLocale = std::setlocale(LC_ALL, nullptr);
    QCoreApplication application(argc, argv);
    std::setlocale(LC_ALL, startLocale.c_str());
    loadInterfaceLanguage();
    // Engine messages go to stderr in the tool's own form.
    qInstallMessageHandler(qtMessage);
    removeTemporaryOnSignals();
    setMessageSink([](const QString &text) {
        messageShown = true;
        failLine(text);
    });

    try {
        const batchCommand command = parseCommandLine(argc, argv);
        switch (command.kind) {
        case batchCommand::showHelp:
            std::fputs(usageText().c_str(), stdout);
            break;
        case batchCommand::applyCommand:
            runApply(command.apply);
            break;
        case batchCommand::batchApplyCommand:
            if (runBatch(command.batch) != 0) return 1;
            break;
        case batchCommand::infoCommand:
            std::fputs(pictureInfoText(command.input).toUtf8().constData(), stdout);
            break;
        case batchCommand::kernelCommand:
            runKernel(command.kernelOperation, command.output);
            break;
        }
        if (std::fflush(stdout) != 0) {
            failLine(QStringLiteral("cannot write to standard output"));
            return 1;
        }
        return 0;
    } catch (const commandLineError &e) {
        failLine(QString::fromStdString(e.what()) + " (try --help)");
        return e.status;
    } catch (const batchUsageError &e) {
        failLine(e.message());
        return 2;
    } catch (const operationError &e) {
        failLine(QString::fromStdString(e.what()));
    } catch (const imageError &e) {
        failLine(e.message());
    } catch (const operationAbandoned &) {
        // The engine has said what went wrong already.
        if (!messageShown) failLine(QStringLiteral("operation abandoned"));
    } catch (const std::bad_alloc &) {
        failLine(QStringLiteral("out of memory"));
    } catch (const std::exception &e) {
        failLine(QString::fromLocal8Bit(e.what()));
    }
    return 1;
}
