// The korvia program: the application object, the language of its texts, the Japanese font, the main window and the event
// loop. An error that escapes an event handler is shown in the error box and the loop goes on.
#include "imagedata/abandonable.h"
#include "imagedata/filenames.h"
#include "imagedata/imagedocument.h"
#include "imagedata/imageerror.h"
#include "imagedata/instancefolder.h"
#include "imagedata/safewrite.h"
#include "ui/backgroundjob.h"
#include "ui/widgets/appfont.h"
#include "ui/designassets.h"
#include "ui/widgets/dialogservice.h"
#include "ui/mainform.h"
#include "ui/windowsettings.h"
#include "ui/uilanguage.h"

#include <QApplication>
#include <exception>

namespace {

class korviaApplication final : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const operationAbandoned &) {
            // The user has been told already.
        } catch (const imageError &error) {
            dialogs().error(activeWindow(), printableName(error.message()));
        } catch (const std::exception &error) {
            dialogs().error(activeWindow(), QString::fromLocal8Bit(error.what()));
        }
        return false;
    }
};

} // namespace

int main(int argc, char **argv)
{
    korviaApplication app(argc, argv);
    removeTemporaryOnSignals(); // an interrupted save leaves no hidden file behind
    QApplication::setApplicationName(QStringLiteral("Korvia"));
    QApplication::setApplicationDisplayName(QStringLiteral("Korvia"));
    QApplication::setApplicationVersion(QStringLiteral("0.1"));
    QGuiApplication::setDesktopFileName(QStringLiteral("korvia")); // its menu entry and icon
    installApplicationFont();
    // Undo snapshots are written by a background thread while the user sees the change.
    imageDocument::setWriteBehind(true);
    // The commit, the one-click buttons, open and save run beside the window, which goes on
    // repainting and can stop them (中止, Escape).
    backgroundJob::setEnabled(true);

    // The window's texts in the desktop's language (KORVIA_LANG overrides it), the framework's own
    // (file dialogs, standard buttons) with them when Qt's catalogue of that language is installed.
    loadInterfaceLanguage();

    try {
        TmainForm window;
        decorateMainWindow(&window);
        restoreWindowSettings(window); // size, position, maximised, the preview on the picture
        window.show();
        // This instance's snapshot folder, taken now so that the folders left by instances that
        // were killed go at start-up, and a cache that cannot be trusted is told of in the
        // window; a folder that cannot be made is reported at the first snapshot.
        try {
            instanceFolder::process();
        } catch (const imageError &) {
        }
        const int code = app.exec();
        saveWindowSettings(window);
        // A decode or encode given up on a cancel ends on its own within a second or two; the
        // libraries are not torn down under it.
        waitForAbandonedWork();
        return code;
    } catch (const operationAbandoned &) {
        return 1;
    } catch (const imageError &error) {
        dialogs().error(nullptr, error.message());
        return 1;
    } catch (const std::exception &error) {
        dialogs().error(nullptr, QString::fromLocal8Bit(error.what()));
        return 1;
    }
}
