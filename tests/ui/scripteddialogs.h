// A dialog service for window tests: every file dialog, question and modal form is answered
// from a queue the test fills beforehand, and everything shown is logged. It installs itself on
// construction and puts the previous service back on destruction. A dialog asked for with an
// empty queue is answered "cancel" / "No" and counted in unexpected.
#pragma once
#include "ui/widgets/dialogservice.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <functional>

class scriptedDialogs : public dialogService {
public:
    struct fileAnswer {
        bool accept = true;
        QString fileName;
        int filterIndex = 1;
    };
    struct shown {
        QString kind; // "open", "save", "message", "question", "error", "modal"
        QString text;
        QString title;
    };

    QList<fileAnswer> openAnswers;
    QList<fileAnswer> saveAnswers;
    QList<bool> questionAnswers;
    // Answers of the questions that can be left unanswered; while empty, questionAnswers answer
    // them as Yes or No.
    QList<reply> replies;
    // Each runs on the dialog instead of showing it (for example moves a track bar) and gives
    // the result; an empty queue returns QDialog::Accepted without touching the dialog.
    QList<std::function<int(QDialog *)>> modalAnswers;
    QList<shown> log;
    int unexpected = 0;

    scriptedDialogs() : previous(&dialogs()) { setDialogService(this); }
    ~scriptedDialogs() override { setDialogService(previous); }
    scriptedDialogs(const scriptedDialogs &) = delete;
    scriptedDialogs &operator=(const scriptedDialogs &) = delete;

    void openFile(const QString &fileName, int filterIndex = 1)
    {
        openAnswers.append({true, fileName, filterIndex});
    }
    void cancelOpen() { openAnswers.append({false, {}, 1}); }
    void saveFile(const QString &fileName, int filterIndex)
    {
        saveAnswers.append({true, fileName, filterIndex});
    }
    void cancelSave() { saveAnswers.append({false, {}, 1}); }

    QList<shown> entries(const QString &kind) const
    {
        QList<shown> out;
        for (const shown &s : log)
            if (s.kind == kind) out.append(s);
        return out;
    }
    int count(const QString &kind) const { return int(entries(kind).size()); }
    void clearLog() { log.clear(); unexpected = 0; }

    bool openPicture(QWidget *, const QString &filter, QString &fileName, int &filterIndex) override
    {
        return answerFile("open", filter, openAnswers, fileName, filterIndex);
    }
    bool savePicture(QWidget *, const QString &filter, QString &fileName, int &filterIndex) override
    {
        return answerFile("save", filter, saveAnswers, fileName, filterIndex);
    }
    void message(QWidget *, const QString &text, const QString &title) override
    {
        log.append({"message", text, title});
    }
    bool question(QWidget *, const QString &text, const QString &title) override
    {
        log.append({"question", text, title});
        if (questionAnswers.isEmpty()) {
            ++unexpected;
            return false;
        }
        return questionAnswers.takeFirst();
    }
    reply questionOrCancel(QWidget *parent, const QString &text, const QString &title) override
    {
        if (replies.isEmpty()) return question(parent, text, title) ? reply::yes : reply::no;
        log.append({"question", text, title});
        return replies.takeFirst();
    }
    void error(QWidget *, const QString &text) override { log.append({"error", text, {}}); }
    int showModal(QDialog *dialog) override
    {
        log.append({"modal", dialog ? dialog->objectName() : QString(), {}});
        if (modalAnswers.isEmpty()) return QDialog::Accepted;
        return modalAnswers.takeFirst()(dialog);
    }

private:
    dialogService *previous;

    bool answerFile(const QString &kind, const QString &filter, QList<fileAnswer> &queue,
                    QString &fileName, int &filterIndex)
    {
        log.append({kind, filter, {}});
        if (queue.isEmpty()) {
            ++unexpected;
            return false;
        }
        const fileAnswer a = queue.takeFirst();
        if (!a.accept) return false;
        fileName = a.fileName;
        filterIndex = a.filterIndex;
        return true;
    }
};
