#include "ui/widgets/Dialogs.h"

#include "lists/FileErrors.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace larkspire {
namespace {

class QtDialogs final : public DialogBackend {
public:
    void Information(QWidget* parent, const QString& caption, const QString& text) override
    {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
        box.exec();
    }

    void Error(QWidget* parent, const QString& caption, const QString& text) override
    {
        QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
        box.exec();
    }

    bool Confirm(QWidget* parent, const QString& caption, const QString& question) override
    {
        QMessageBox box(QMessageBox::Question, caption, question, QMessageBox::Yes | QMessageBox::No, parent);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    }

    Answer AskYesNoCancel(QWidget* parent, const QString& caption, const QString& question) override
    {
        const std::unique_ptr<QMessageBox> box = Dialogs::MakeYesNoCancelBox(parent, caption, question);
        switch (box->exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
        }
    }

    QString OpenFileName(QWidget* parent, const FileDialogOptions& options) override
    {
        return QFileDialog::getOpenFileName(parent, options.caption, options.directory, options.filter);
    }

    QString SaveFileName(QWidget* parent, const FileDialogOptions& options) override
    {
        // Exports replace an existing file without asking, as the export commands promise.
        return QFileDialog::getSaveFileName(parent, options.caption, options.directory, options.filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    }
};

DialogBackend*& InstalledBackend()
{
    static DialogBackend* installed = nullptr;
    return installed;
}

DialogBackend& Backend()
{
    static QtDialogs real;
    DialogBackend* installed = InstalledBackend();
    return installed ? *installed : real;
}

}  // namespace

namespace Dialogs {

void ShowMessage(QWidget* parent, const QString& text)
{
    Backend().Information(parent, QApplication::applicationDisplayName(), text);
}

void ShowError(QWidget* parent, const QString& message)
{
    Backend().Error(parent, QStringLiteral("Error"), ErrorBoxText(message));
}

bool Confirm(QWidget* parent, const QString& question)
{
    return Backend().Confirm(parent, QStringLiteral("Confirm"), question);
}

Answer AskYesNoCancel(QWidget* parent, const QString& question)
{
    return Backend().AskYesNoCancel(parent, QStringLiteral("Confirm"), question);
}

std::unique_ptr<QMessageBox> MakeYesNoCancelBox(QWidget* parent, const QString& caption, const QString& question)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, caption, question,
                                             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box->setDefaultButton(QMessageBox::Yes);
    // Escape and the close box answer with the escape button: back to where the user was.
    box->setEscapeButton(QMessageBox::Cancel);
    return box;
}

QString GetOpenFileName(QWidget* parent, const FileDialogOptions& options)
{
    return Backend().OpenFileName(parent, options);
}

QString GetSaveFileName(QWidget* parent, const FileDialogOptions& options)
{
    return Backend().SaveFileName(parent, options);
}

void SetBackend(DialogBackend* backend) { InstalledBackend() = backend; }

}  // namespace Dialogs
}  // namespace larkspire
