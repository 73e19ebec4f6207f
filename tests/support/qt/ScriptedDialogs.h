#pragma once

#include "ui/widgets/Dialogs.h"

#include <QList>
#include <QString>
#include <deque>

namespace larkspire {

// Stands in for every modal box and file dialog while it lives: answers come from queues the test
// fills, and every box shown is recorded. A question or file dialog with no queued answer fails the test.
class ScriptedDialogs final : public DialogBackend {
public:
    enum class Kind { Information, Error, Confirm, YesNoCancel, OpenFile, SaveFile };
    struct Shown {
        Kind kind;
        QString caption;
        QString text;               // message, question or file dialog caption
        FileDialogOptions options;  // file dialogs only
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    void AnswerConfirm(bool yes);
    void AnswerYesNoCancel(Answer answer);
    void AnswerOpenFile(const QString& path);  // the empty text stands for Cancel
    void AnswerSaveFile(const QString& path);

    const QList<Shown>& ShownBoxes() const;
    QStringList Texts(Kind kind) const;
    // True when every queued answer was used.
    bool AllAnswersUsed() const;

    void Information(QWidget* parent, const QString& caption, const QString& text) override;
    void Error(QWidget* parent, const QString& caption, const QString& text) override;
    bool Confirm(QWidget* parent, const QString& caption, const QString& question) override;
    Answer AskYesNoCancel(QWidget* parent, const QString& caption, const QString& question) override;
    QString OpenFileName(QWidget* parent, const FileDialogOptions& options) override;
    QString SaveFileName(QWidget* parent, const FileDialogOptions& options) override;

private:
    QList<Shown> shown_;
    std::deque<bool> confirmAnswers_;
    std::deque<Answer> yesNoCancelAnswers_;
    std::deque<QString> openAnswers_;
    std::deque<QString> saveAnswers_;
};

}  // namespace larkspire
