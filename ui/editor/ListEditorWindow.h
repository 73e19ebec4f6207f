#pragma once

#include "lists/TextListFile.h"

#include <QString>
#include <QWidget>

class QAction;
class QToolBar;
class QToolButton;

namespace larkspire {

class FindDialog;
class ListTextEdit;

// The list editor: a window in which one websites or services file is edited as plain text and saved
// in the encoding and with the line ends it was read with. Made once, hidden, and shown modally for every
// edit; its title names the file.
class ListEditorWindow final : public QWidget {
    Q_OBJECT

public:
    explicit ListEditorWindow(QWidget* parent = nullptr);

    // The file that Save and the close question write to; set before every showing.
    QString currentFilename;

    // Reads the file at `path` into the text area (TABs become four spaces) and remembers its encoding;
    // no selection, the caret at the start, an empty undo history. Throws FileError when the file
    // cannot be read, leaving the text area as it was.
    void LoadFile(const QString& path);
    // Shows the window modally, titled with currentFilename's name; returns once it has been closed.
    void ShowModal();

    QToolBar* editorToolBar;
    QToolButton* saveButton;
    QToolButton* cutButton;
    QToolButton* copyButton;
    QToolButton* pasteButton;
    QToolButton* undoButton;
    QToolButton* redoButton;
    QToolButton* findButton;
    ListTextEdit* textEdit;
    FindDialog* findDialog;
    // The keyboard's way to the commands: Save, Find, Find next and Close.
    QAction* saveAction;
    QAction* findAction;
    QAction* findNextAction;
    QAction* closeAction;

    void onSaveClicked();
    void onCutClicked();
    void onCopyClicked();
    void onPasteClicked();
    void onUndoClicked();
    void onRedoClicked();
    void onFindClicked();
    // Finds the search text again from the caret, or asks for one when there is none yet.
    void onFindNextTriggered();

signals:
    // The window was hidden, by a close or otherwise; ends ShowModal.
    void Hidden();

protected:
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void SetUpOnCreate();
    void AskToSaveOnClose(QCloseEvent& event);
    void onSelectionChanged();
    void onUndoAvailabilityChanged();
    void UpdateCutCopyButtons();
    void UpdateUndoRedoButtons();
    // The editor save to currentFilename; the text area shows the trimmed lines even when it fails.
    void SaveText();
    // SaveText, with a failure shown in the error box. False when the save failed.
    bool SaveTextShowingError();

    // The file's name without its folder.
    QString FileName() const;

    ListFileFormat readFormat_;
    // The lines as the file holds them: as read, or as last saved. Closing asks only when the text differs.
    QStringList fileLines_;
};

}  // namespace larkspire
