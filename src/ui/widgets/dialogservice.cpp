#include "dialogservice.h"

#include "busycursor.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

namespace {
QString lastChosenFolder;
} // namespace

QString fileDialogFolder(const QString &suggested)
{
    if (!suggested.isEmpty() && QFileInfo(suggested).isDir()) return suggested;
    if (!lastChosenFolder.isEmpty() && QFileInfo(lastChosenFolder).isDir()) return lastChosenFolder;
    return QString();
}

void rememberFileDialogChoice(const QString &fileName)
{
    if (!fileName.isEmpty()) lastChosenFolder = QFileInfo(fileName).absolutePath();
}

// "JPEG (*.jpeg)|*.jpeg;*.jpg|BMP(*.bmp)|*.bmp" pairs a description with its patterns; Qt wants
// "JPEG (*.jpeg *.jpg)" entries. The description's own pattern list is replaced by the real one so
// the user sees what is matched.
QStringList qtNameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i].trimmed();
        const int paren = name.indexOf(QLatin1Char('('));
        if (paren >= 0) name = name.left(paren).trimmed();
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &p : patterns) p = p.trimmed();
        result << QStringLiteral("%1 (%2)").arg(name, patterns.join(QLatin1Char(' ')));
    }
    if (result.isEmpty()) result << QStringLiteral("* (*)");
    return result;
}

namespace {

bool runFileDialog(QWidget *parent, QFileDialog::AcceptMode mode, const QString &filter, QString &fileName,
                   int &filterIndex)
{
    const QStringList filters = qtNameFilters(filter);
    const cursorLift normalCursor;
    QFileDialog dialog(parent);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size()) dialog.selectNameFilter(filters[filterIndex - 1]);
    const QString folder = fileDialogFolder(fileName);
    if (!folder.isEmpty()) dialog.setDirectory(folder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    fileName = dialog.selectedFiles().constFirst();
    rememberFileDialogChoice(fileName);
    const int chosen = int(filters.indexOf(dialog.selectedNameFilter()));
    filterIndex = chosen >= 0 ? chosen + 1 : 1;
    return true;
}

class qtDialogService final : public dialogService {
public:
    bool openPicture(QWidget *parent, const QString &filter, QString &fileName, int &filterIndex) override
    {
        return runFileDialog(parent, QFileDialog::AcceptOpen, filter, fileName, filterIndex);
    }
    bool savePicture(QWidget *parent, const QString &filter, QString &fileName, int &filterIndex) override
    {
        return runFileDialog(parent, QFileDialog::AcceptSave, filter, fileName, filterIndex);
    }
    void message(QWidget *parent, const QString &text, const QString &title) override
    {
        const cursorLift normalCursor;
        QMessageBox box(QMessageBox::Information, title.isEmpty() ? QCoreApplication::translate("dialogService", "メッセージ") : title, text,
                        QMessageBox::Ok, parent);
        box.exec();
    }
    bool question(QWidget *parent, const QString &text, const QString &title) override
    {
        const cursorLift normalCursor;
        QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    }
    reply questionOrCancel(QWidget *parent, const QString &text, const QString &title) override
    {
        const cursorLift normalCursor;
        QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                        parent);
        box.setDefaultButton(QMessageBox::Yes);
        // Escape and the close button are キャンセル, never いいえ.
        box.setEscapeButton(QMessageBox::Cancel);
        const int answer = box.exec();
        return answer == QMessageBox::Yes ? reply::yes : answer == QMessageBox::No ? reply::no : reply::cancel;
    }
    void error(QWidget *parent, const QString &text) override
    {
        const cursorLift normalCursor;
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Korvia"), text, QMessageBox::Ok, parent);
        box.exec();
    }
    int showModal(QDialog *dialog) override
    {
        const cursorLift normalCursor;
        return dialog->exec();
    }
};

qtDialogService &qtDialogs()
{
    static qtDialogService service;
    return service;
}

dialogService *current = nullptr;

} // namespace

dialogService &dialogs()
{
    return current ? *current : qtDialogs();
}

void setDialogService(dialogService *service)
{
    current = service;
}
