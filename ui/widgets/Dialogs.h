#pragma once

#include <QString>

#include <memory>

class QMessageBox;
class QWidget;

namespace larkspire {

// The answer to a question that offers a way back.
enum class Answer { Yes, No, Cancel };

// What a file dialog is opened with.
struct FileDialogOptions {
    QString caption;
    QString filter;     // Qt filter text, e.g. "Text files (*.txt);;All files (*)"
    QString directory;  // start folder or file; empty for the dialog's own choice
};

// Where every modal box and file dialog of the program goes. The real one uses QMessageBox and
// QFileDialog; tests install a scripted one so that nothing ever waits for a person.
class DialogBackend {
public:
    virtual ~DialogBackend() = default;
    virtual void Information(QWidget* parent, const QString& caption, const QString& text) = 0;
    virtual void Error(QWidget* parent, const QString& caption, const QString& text) = 0;
    virtual bool Confirm(QWidget* parent, const QString& caption, const QString& question) = 0;
    virtual Answer AskYesNoCancel(QWidget* parent, const QString& caption, const QString& question) = 0;
    // Both return the chosen path, or the empty text when the user cancelled.
    virtual QString OpenFileName(QWidget* parent, const FileDialogOptions& options) = 0;
    virtual QString SaveFileName(QWidget* parent, const FileDialogOptions& options) = 0;
};

namespace Dialogs {

// Information for the user: the application's title as caption, no icon, one OK button.
void ShowMessage(QWidget* parent, const QString& text);
// The error box: caption "Error", the error icon, one OK button, the text of ErrorBoxText (lists/FileErrors.h).
void ShowError(QWidget* parent, const QString& message);
// A question: caption "Confirm", the question icon, Yes and No with No as default. True for Yes.
bool Confirm(QWidget* parent, const QString& question);
// A question with a way back: caption "Confirm", the question icon, Yes, No and Cancel with Yes as default;
// Escape and closing the box answer Cancel.
Answer AskYesNoCancel(QWidget* parent, const QString& question);
QString GetOpenFileName(QWidget* parent, const FileDialogOptions& options);
QString GetSaveFileName(QWidget* parent, const FileDialogOptions& options);

// The box the real AskYesNoCancel shows, not yet shown.
std::unique_ptr<QMessageBox> MakeYesNoCancelBox(QWidget* parent, const QString& caption, const QString& question);

// Replaces the real dialogs; nullptr puts them back. The backend is not owned.
void SetBackend(DialogBackend* backend);

}  // namespace Dialogs
}  // namespace larkspire
