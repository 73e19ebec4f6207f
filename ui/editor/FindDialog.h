#pragma once

#include "ui/editor/TextSearch.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace larkspire {

// The list editor's find dialog, bound to one text area. Made once and kept, so the search text, the
// earlier search texts and the options last for the whole program run.
class FindDialog final : public QDialog {
    Q_OBJECT

public:
    static inline const QString NotFoundMessage =
        QStringLiteral("Finished searching the document. The search item was not found.");

    FindDialog(QPlainTextEdit& textArea, QWidget* parent);

    QComboBox* ComboFindWhat;  // editable; its list holds the earlier search texts, the latest first
    QCheckBox* CheckCaseSensitive;
    QCheckBox* CheckExpression;
    QCheckBox* CheckCloseIfFound;
    QCheckBox* CheckWholeWord;
    QGroupBox* GroupDirection;
    QRadioButton* RadioUp;
    QRadioButton* RadioDown;
    QPushButton* ButtonFind;
    QPushButton* ButtonPrevious;
    QPushButton* ButtonClose;

    // From the caret in the chosen direction; says so when nothing is found, and closes the dialog
    // afterwards when "Close if Found" is on.
    void ButtonFindClick();
    // From the caret towards the start, whatever the direction; silent when nothing is found.
    void ButtonPreviousClick();

private:
    void RememberSearchText();
    SearchOptions Options() const;
    // Selects the nearest match, the caret at its start. False when there is none.
    bool SelectNextMatch(SearchDirection direction);

    QPlainTextEdit& textArea_;
};

}  // namespace larkspire
