#include "ui/editor/ListEditorWindow.h"

#include "base/LarkspireError.h"
#include "ui/editor/FindDialog.h"
#include "ui/editor/ListTextEdit.h"
#include "ui/widgets/Dialogs.h"
#include "ui/widgets/ToolbarIcons.h"
#include "ui/widgets/WindowPlacement.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFileInfo>
#include <QScopeGuard>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace larkspire {
namespace {

const QString EditorCaption = QStringLiteral("Text Editor");
constexpr int ToolBarHeight = 40;
constexpr int ToolButtonWidth = 32;

QToolButton* AddToolButton(QToolBar& bar, ToolbarIcon icon, const QString& name)
{
    auto* button = new QToolButton(&bar);
    button->setObjectName(name.toLower() + QStringLiteral("Button"));
    button->setIcon(ToolbarIconFor(icon));
    button->setIconSize(QSize(24, 24));
    button->setToolTip(name);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(ToolButtonWidth, ToolBarHeight);
    bar.addWidget(button);
    return button;
}

QAction* AddShortcut(QWidget& window, const char* name, const QKeySequence& keys)
{
    auto* action = new QAction(&window);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(keys);
    window.addAction(action);
    return action;
}

}  // namespace

ListEditorWindow::ListEditorWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      editorToolBar(new QToolBar(this)),
      saveButton(AddToolButton(*editorToolBar, ToolbarIcon::Save, QStringLiteral("Save"))),
      cutButton(AddToolButton(*editorToolBar, ToolbarIcon::Cut, QStringLiteral("Cut"))),
      copyButton(AddToolButton(*editorToolBar, ToolbarIcon::Copy, QStringLiteral("Copy"))),
      pasteButton(AddToolButton(*editorToolBar, ToolbarIcon::Paste, QStringLiteral("Paste"))),
      undoButton(AddToolButton(*editorToolBar, ToolbarIcon::Undo, QStringLiteral("Undo"))),
      redoButton(AddToolButton(*editorToolBar, ToolbarIcon::Redo, QStringLiteral("Redo"))),
      findButton(AddToolButton(*editorToolBar, ToolbarIcon::Find, QStringLiteral("Find"))),
      textEdit(new ListTextEdit(this)),
      findDialog(new FindDialog(*textEdit, this)),
      saveAction(AddShortcut(*this, "saveAction", QKeySequence(Qt::CTRL | Qt::Key_S))),
      findAction(AddShortcut(*this, "findAction", QKeySequence(Qt::CTRL | Qt::Key_F))),
      findNextAction(AddShortcut(*this, "findNextAction", QKeySequence(Qt::Key_F3))),
      closeAction(AddShortcut(*this, "closeAction", QKeySequence(Qt::CTRL | Qt::Key_W)))
{
    setWindowTitle(EditorCaption);
    setWindowModality(Qt::ApplicationModal);
    resize(640, 480);

    editorToolBar->setObjectName(QStringLiteral("editorToolBar"));
    editorToolBar->setMovable(false);
    editorToolBar->setFloatable(false);
    editorToolBar->setFixedHeight(ToolBarHeight);
    editorToolBar->setContentsMargins(0, 0, 0, 0);
    editorToolBar->layout()->setContentsMargins(0, 0, 0, 0);
    editorToolBar->layout()->setSpacing(0);
    textEdit->setObjectName(QStringLiteral("textEdit"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(editorToolBar);
    layout->addWidget(textEdit, 1);

    connect(saveButton, &QToolButton::clicked, this, &ListEditorWindow::onSaveClicked);
    connect(cutButton, &QToolButton::clicked, this, &ListEditorWindow::onCutClicked);
    connect(copyButton, &QToolButton::clicked, this, &ListEditorWindow::onCopyClicked);
    connect(pasteButton, &QToolButton::clicked, this, &ListEditorWindow::onPasteClicked);
    connect(undoButton, &QToolButton::clicked, this, &ListEditorWindow::onUndoClicked);
    connect(redoButton, &QToolButton::clicked, this, &ListEditorWindow::onRedoClicked);
    connect(findButton, &QToolButton::clicked, this, &ListEditorWindow::onFindClicked);
    connect(saveAction, &QAction::triggered, this, &ListEditorWindow::onSaveClicked);
    connect(findAction, &QAction::triggered, this, &ListEditorWindow::onFindClicked);
    connect(findNextAction, &QAction::triggered, this, &ListEditorWindow::onFindNextTriggered);
    connect(closeAction, &QAction::triggered, this, &QWidget::close);
    connect(textEdit, &QPlainTextEdit::selectionChanged, this, &ListEditorWindow::onSelectionChanged);
    connect(textEdit, &ListTextEdit::UndoChange, this, &ListEditorWindow::onUndoAvailabilityChanged);

    SetUpOnCreate();
}

void ListEditorWindow::LoadFile(const QString& path)
{
    const EditorText text = ReadEditorText(path);
    textEdit->SetLines(text.Lines);
    readFormat_ = text.Format;
    fileLines_ = text.Lines;
    UpdateCutCopyButtons();
    UpdateUndoRedoButtons();
}

void ListEditorWindow::ShowModal()
{
    QEventLoop loop;
    connect(this, &ListEditorWindow::Hidden, &loop, &QEventLoop::quit);
    setWindowTitle(FileName() + QStringLiteral(" - ") + EditorCaption);
    show();
    raise();
    activateWindow();
    textEdit->setFocus();
    loop.exec(QEventLoop::DialogExec);
}

void ListEditorWindow::onSaveClicked() { SaveTextShowingError(); }

void ListEditorWindow::onCutClicked() { textEdit->cut(); }

void ListEditorWindow::onCopyClicked() { textEdit->copy(); }

void ListEditorWindow::onPasteClicked() { textEdit->paste(); }

void ListEditorWindow::onUndoClicked() { textEdit->Undo(); }

void ListEditorWindow::onRedoClicked() { textEdit->Redo(); }

void ListEditorWindow::onFindClicked() { findDialog->exec(); }

void ListEditorWindow::onFindNextTriggered()
{
    if (findDialog->ComboFindWhat->currentText().isEmpty())
        onFindClicked();
    else
        findDialog->ButtonFindClick();
}

void ListEditorWindow::closeEvent(QCloseEvent* event) { AskToSaveOnClose(*event); }

void ListEditorWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // The window system hides a minimised window too; only our own hiding ends the modal showing.
    if (!event->spontaneous()) emit Hidden();
}

void ListEditorWindow::SetUpOnCreate()
{
    UpdateCutCopyButtons();
    UpdateUndoRedoButtons();
    CenterOnScreen(*this);
}

void ListEditorWindow::AskToSaveOnClose(QCloseEvent& event)
{
    if (textEdit->Lines() == fileLines_) {
        event.accept();
        return;
    }
    const QString question = QStringLiteral("Save changes to %1?").arg(FileName());
    switch (Dialogs::AskYesNoCancel(this, question)) {
    case Answer::Yes:
        // A failed save keeps the window open with the text, and a later close asks again.
        if (SaveTextShowingError())
            event.accept();
        else
            event.ignore();
        return;
    case Answer::No:
        event.accept();
        return;
    case Answer::Cancel:
        event.ignore();
        return;
    }
}

QString ListEditorWindow::FileName() const { return QFileInfo(currentFilename).fileName(); }

void ListEditorWindow::onSelectionChanged() { UpdateCutCopyButtons(); }

void ListEditorWindow::onUndoAvailabilityChanged() { UpdateUndoRedoButtons(); }

void ListEditorWindow::UpdateCutCopyButtons()
{
    const bool selected = textEdit->textCursor().hasSelection();
    cutButton->setEnabled(selected && !textEdit->isReadOnly());
    copyButton->setEnabled(selected);
}

void ListEditorWindow::UpdateUndoRedoButtons()
{
    undoButton->setEnabled(textEdit->CanUndo());
    redoButton->setEnabled(textEdit->CanRedo());
}

void ListEditorWindow::SaveText()
{
    QStringList lines = textEdit->Lines();
    const auto showTrimmedLines = qScopeGuard([&] { textEdit->UpdateLines(lines); });
    // Text the file's encoding cannot hold is saved in one that can; later saves keep that one.
    readFormat_ = SaveEditorText(currentFilename, lines, readFormat_);
    fileLines_ = lines;
}

bool ListEditorWindow::SaveTextShowingError()
{
    try {
        SaveText();
        return true;
    } catch (const LarkspireError& error) {
        Dialogs::ShowError(this, QString::fromUtf8(error.what()));
        return false;
    }
}

}  // namespace larkspire
