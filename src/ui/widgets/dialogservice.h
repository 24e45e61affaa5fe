// Every modal dialog and message box of the program goes through this one interface, so that
// tests can replace it with a scripted one that answers from a list.
#pragma once
#include <QString>
#include <QStringList>

class QWidget;
class QDialog;

class dialogService {
public:
    virtual ~dialogService() = default;
    // Open / save picture dialogs. filter is "JPEG (*.jpeg)|*.jpeg;*.jpg|BMP(*.bmp)|*.bmp" style
    // text; filterIndex counts from 1. fileName comes in as the folder to start in (the current
    // picture's; empty for the folder last used) and goes out as the chosen file. Return false
    // when the user cancels.
    virtual bool openPicture(QWidget *parent, const QString &filter, QString &fileName, int &filterIndex) = 0;
    virtual bool savePicture(QWidget *parent, const QString &filter, QString &fileName, int &filterIndex) = 0;
    // Information box with an OK button.
    virtual void message(QWidget *parent, const QString &text, const QString &title) = 0;
    // Yes/No question; true for Yes. An empty title stays empty.
    virtual bool question(QWidget *parent, const QString &text, const QString &title) = 0;
    // A Yes/No question the user may also leave unanswered (Escape, the box's close button, its
    // キャンセル): cancel then, and the caller decides nothing, so no change is discarded without
    // an explicit No. A service without such a box answers through question().
    enum class reply { yes, no, cancel };
    virtual reply questionOrCancel(QWidget *parent, const QString &text, const QString &title)
    {
        return question(parent, text, title) ? reply::yes : reply::no;
    }
    // The application's general error display.
    virtual void error(QWidget *parent, const QString &text) = 0;
    // Shows a form modally (the JPEG quality dialog, the print window); returns its result.
    virtual int showModal(QDialog *dialog) = 0;
};

// The service in use; the real Qt dialogs unless replaced.
dialogService &dialogs();
// Replaces the service (nullptr restores the real dialogs). Not owned.
void setDialogService(dialogService *service);

// The folder the real file dialogs start in: suggested when it is an existing folder, otherwise
// the folder of the file last chosen in one of them (while the program runs), otherwise empty
// (the working folder).
QString fileDialogFolder(const QString &suggested);
// Records the folder of a file chosen in a file dialog.
void rememberFileDialogChoice(const QString &fileName);

// The Qt name filters of a "Name (*.a)|*.a;*.b|..." filter text, in order: "Name (*.a *.b)".
// The file dialogs' filter index n is entry n - 1 of this list.
QStringList qtNameFilters(const QString &filter);
