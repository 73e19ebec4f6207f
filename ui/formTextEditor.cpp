#include "ui/formTextEditor.h"

#include "ping/LarkspireError.h"
#include "ui/Dialogs.h"
#include "ui/FindDialog.h"
#include "ui/MemoEditor.h"
#include "ui/ToolbarIcons.h"
#include "ui/WindowUtil.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QScopeGuard>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace larkspire {
namespace {

constexpr int ToolBarHeight = 40;
constexpr int ToolButtonWidth = 32;

QToolButton* AddToolButton(QToolBar& bar, ToolbarIcon icon, const QString& name)
{
    auto* button = new QToolButton(&bar);
    button->setObjectName(QStringLiteral("Btn") + name);
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

}  // namespace

TTFormTextEditor::TTFormTextEditor(QWidget* parent)
    : QWidget(parent, Qt::Window),
      ToolBar1(new QToolBar(this)),
      BtnSave(AddToolButton(*ToolBar1, ToolbarIcon::Save, QStringLiteral("Save"))),
      BtnCut(AddToolButton(*ToolBar1, ToolbarIcon::Cut, QStringLiteral("Cut"))),
      BtnCopy(AddToolButton(*ToolBar1, ToolbarIcon::Copy, QStringLiteral("Copy"))),
      BtnPaste(AddToolButton(*ToolBar1, ToolbarIcon::Paste, QStringLiteral("Paste"))),
      BtnUndo(AddToolButton(*ToolBar1, ToolbarIcon::Undo, QStringLiteral("Undo"))),
      BtnRedo(AddToolButton(*ToolBar1, ToolbarIcon::Redo, QStringLiteral("Redo"))),
      BtnFind(AddToolButton(*ToolBar1, ToolbarIcon::Find, QStringLiteral("Find"))),
      MemoEditor(new TMemoEditor(this)),
      MemoFindDialog(new TFindDialog(*MemoEditor, this))
{
    setWindowTitle(QStringLiteral("Text Editor"));
    setWindowModality(Qt::ApplicationModal);
    resize(640, 480);

    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setFixedHeight(ToolBarHeight);
    ToolBar1->setContentsMargins(0, 0, 0, 0);
    ToolBar1->layout()->setContentsMargins(0, 0, 0, 0);
    ToolBar1->layout()->setSpacing(0);
    MemoEditor->setObjectName(QStringLiteral("MemoEditor"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(MemoEditor, 1);

    connect(BtnSave, &QToolButton::clicked, this, &TTFormTextEditor::BtnSaveClick);
    connect(BtnCut, &QToolButton::clicked, this, &TTFormTextEditor::BtnCutClick);
    connect(BtnCopy, &QToolButton::clicked, this, &TTFormTextEditor::BtnCopyClick);
    connect(BtnPaste, &QToolButton::clicked, this, &TTFormTextEditor::BtnPasteClick);
    connect(BtnUndo, &QToolButton::clicked, this, &TTFormTextEditor::BtnUndoClick);
    connect(BtnRedo, &QToolButton::clicked, this, &TTFormTextEditor::BtnRedoClick);
    connect(BtnFind, &QToolButton::clicked, this, &TTFormTextEditor::BtnFindClick);
    connect(MemoEditor, &QPlainTextEdit::selectionChanged, this, &TTFormTextEditor::MemoEditorSelectionChange);
    connect(MemoEditor, &TMemoEditor::UndoChange, this, &TTFormTextEditor::MemoEditorUndoChange);

    FormCreate();
}

void TTFormTextEditor::LoadFile(const QString& path)
{
    const EditorText text = ReadEditorText(path);
    MemoEditor->SetLines(text.Lines);
    readEncoding_ = text.Encoding;
    UpdateCutCopyButtons();
    UpdateUndoRedoButtons();
}

void TTFormTextEditor::ShowModal()
{
    QEventLoop loop;
    connect(this, &TTFormTextEditor::Hidden, &loop, &QEventLoop::quit);
    show();
    raise();
    activateWindow();
    MemoEditor->setFocus();
    loop.exec(QEventLoop::DialogExec);
}

void TTFormTextEditor::BtnSaveClick() { SaveTextShowingError(); }

void TTFormTextEditor::BtnCutClick() { MemoEditor->cut(); }

void TTFormTextEditor::BtnCopyClick() { MemoEditor->copy(); }

void TTFormTextEditor::BtnPasteClick() { MemoEditor->paste(); }

void TTFormTextEditor::BtnUndoClick() { MemoEditor->Undo(); }

void TTFormTextEditor::BtnRedoClick() { MemoEditor->Redo(); }

void TTFormTextEditor::BtnFindClick() { MemoFindDialog->exec(); }

void TTFormTextEditor::closeEvent(QCloseEvent* event) { FormClose(*event); }

void TTFormTextEditor::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // The window system hides a minimised window too; only our own hiding ends the modal showing.
    if (!event->spontaneous())
        emit Hidden();
}

void TTFormTextEditor::FormCreate()
{
    UpdateCutCopyButtons();
    UpdateUndoRedoButtons();
    CenterFormOnScreen(*this);
}

void TTFormTextEditor::FormClose(QCloseEvent& event)
{
    if (Dialogs::Confirm(this, QStringLiteral("Save file?")) && !SaveTextShowingError()) {
        event.ignore();
        return;
    }
    event.accept();
}

void TTFormTextEditor::MemoEditorSelectionChange() { UpdateCutCopyButtons(); }

void TTFormTextEditor::MemoEditorUndoChange() { UpdateUndoRedoButtons(); }

void TTFormTextEditor::UpdateCutCopyButtons()
{
    const bool selected = MemoEditor->textCursor().hasSelection();
    BtnCut->setEnabled(selected && !MemoEditor->isReadOnly());
    BtnCopy->setEnabled(selected);
}

void TTFormTextEditor::UpdateUndoRedoButtons()
{
    BtnUndo->setEnabled(MemoEditor->CanUndo());
    BtnRedo->setEnabled(MemoEditor->CanRedo());
}

void TTFormTextEditor::SaveText()
{
    QStringList lines = MemoEditor->Lines();
    const auto showTrimmedLines = qScopeGuard([&] { MemoEditor->UpdateLines(lines); });
    SaveEditorText(currentFilename, lines, readEncoding_);
}

bool TTFormTextEditor::SaveTextShowingError()
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
