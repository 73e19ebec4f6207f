#include "tests/support/qt/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace larkspire {
namespace {

template <typename T>
T TakeAnswer(std::deque<T>& answers, const char* what, T fallback)
{
    if (answers.empty()) {
        ADD_FAILURE() << "no scripted answer for " << what;
        return fallback;
    }
    T answer = answers.front();
    answers.pop_front();
    return answer;
}

}  // namespace

ScriptedDialogs::ScriptedDialogs() { Dialogs::SetBackend(this); }

ScriptedDialogs::~ScriptedDialogs() { Dialogs::SetBackend(nullptr); }

void ScriptedDialogs::AnswerConfirm(bool yes) { confirmAnswers_.push_back(yes); }
void ScriptedDialogs::AnswerYesNoCancel(Answer answer) { yesNoCancelAnswers_.push_back(answer); }
void ScriptedDialogs::AnswerOpenFile(const QString& path) { openAnswers_.push_back(path); }
void ScriptedDialogs::AnswerSaveFile(const QString& path) { saveAnswers_.push_back(path); }

const QList<ScriptedDialogs::Shown>& ScriptedDialogs::ShownBoxes() const { return shown_; }

QStringList ScriptedDialogs::Texts(Kind kind) const
{
    QStringList texts;
    for (const Shown& box : shown_)
        if (box.kind == kind) texts << box.text;
    return texts;
}

bool ScriptedDialogs::AllAnswersUsed() const
{
    return confirmAnswers_.empty() && yesNoCancelAnswers_.empty() && openAnswers_.empty() && saveAnswers_.empty();
}

void ScriptedDialogs::Information(QWidget*, const QString& caption, const QString& text)
{
    shown_.append({Kind::Information, caption, text, {}});
}

void ScriptedDialogs::Error(QWidget*, const QString& caption, const QString& text)
{
    shown_.append({Kind::Error, caption, text, {}});
}

bool ScriptedDialogs::Confirm(QWidget*, const QString& caption, const QString& question)
{
    shown_.append({Kind::Confirm, caption, question, {}});
    return TakeAnswer(confirmAnswers_, "a confirmation", false);
}

Answer ScriptedDialogs::AskYesNoCancel(QWidget*, const QString& caption, const QString& question)
{
    shown_.append({Kind::YesNoCancel, caption, question, {}});
    return TakeAnswer(yesNoCancelAnswers_, "a yes/no/cancel question", Answer::Cancel);
}

QString ScriptedDialogs::OpenFileName(QWidget*, const FileDialogOptions& options)
{
    shown_.append({Kind::OpenFile, options.caption, options.caption, options});
    return TakeAnswer(openAnswers_, "an open dialog", QString());
}

QString ScriptedDialogs::SaveFileName(QWidget*, const FileDialogOptions& options)
{
    shown_.append({Kind::SaveFile, options.caption, options.caption, options});
    return TakeAnswer(saveAnswers_, "a save dialog", QString());
}

}  // namespace larkspire
