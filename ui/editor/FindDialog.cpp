#include "ui/editor/FindDialog.h"

#include "ui/widgets/Dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace larkspire {

FindDialog::FindDialog(QPlainTextEdit& textArea, QWidget* parent)
    : QDialog(parent),
      ComboFindWhat(new QComboBox(this)),
      CheckCaseSensitive(new QCheckBox(QStringLiteral("Case sensitive"), this)),
      CheckExpression(new QCheckBox(QStringLiteral("Expression"), this)),
      CheckCloseIfFound(new QCheckBox(QStringLiteral("Close if Found"), this)),
      CheckWholeWord(new QCheckBox(QStringLiteral("Whole word Only"), this)),
      GroupDirection(new QGroupBox(QStringLiteral("Direction"), this)),
      RadioUp(new QRadioButton(QStringLiteral("Up"), GroupDirection)),
      RadioDown(new QRadioButton(QStringLiteral("Down"), GroupDirection)),
      ButtonFind(new QPushButton(QStringLiteral("Find"), this)),
      ButtonPrevious(new QPushButton(QStringLiteral("Previous"), this)),
      ButtonClose(new QPushButton(QStringLiteral("Close"), this)),
      textArea_(textArea)
{
    setWindowTitle(QStringLiteral("Find"));
    setModal(true);

    ComboFindWhat->setEditable(true);
    ComboFindWhat->setInsertPolicy(QComboBox::NoInsert);  // the history is kept by RememberSearchText
    ComboFindWhat->setMinimumContentsLength(24);
    auto* label = new QLabel(QStringLiteral("Find what:"), this);
    label->setBuddy(ComboFindWhat);
    RadioDown->setChecked(true);

    auto* directionLayout = new QVBoxLayout(GroupDirection);
    directionLayout->addWidget(RadioUp);
    directionLayout->addWidget(RadioDown);

    auto* options = new QGridLayout;
    options->addWidget(CheckCaseSensitive, 0, 0);
    options->addWidget(CheckExpression, 1, 0);
    options->addWidget(CheckCloseIfFound, 2, 0);
    options->addWidget(CheckWholeWord, 3, 0);
    options->addWidget(GroupDirection, 0, 1, 4, 1);

    auto* findWhat = new QHBoxLayout;
    findWhat->addWidget(label);
    findWhat->addWidget(ComboFindWhat, 1);

    auto* left = new QVBoxLayout;
    left->addLayout(findWhat);
    left->addLayout(options);
    left->addStretch();

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ButtonFind);
    buttons->addWidget(ButtonPrevious);
    buttons->addWidget(ButtonClose);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ButtonFind->setDefault(true);
    ButtonPrevious->setAutoDefault(false);
    ButtonClose->setAutoDefault(false);
    connect(ButtonFind, &QPushButton::clicked, this, &FindDialog::ButtonFindClick);
    connect(ButtonPrevious, &QPushButton::clicked, this, &FindDialog::ButtonPreviousClick);
    connect(ButtonClose, &QPushButton::clicked, this, &QDialog::reject);
}

void FindDialog::ButtonFindClick()
{
    RememberSearchText();
    if (!SelectNextMatch(RadioUp->isChecked() ? SearchDirection::Up : SearchDirection::Down))
        Dialogs::ShowMessage(this, NotFoundMessage);
    if (CheckCloseIfFound->isChecked()) accept();
}

void FindDialog::ButtonPreviousClick()
{
    RememberSearchText();
    SelectNextMatch(SearchDirection::Up);
}

void FindDialog::RememberSearchText()
{
    const QString text = ComboFindWhat->currentText();
    if (text.isEmpty()) return;
    const int earlier = ComboFindWhat->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (earlier == 0) return;
    if (earlier > 0) ComboFindWhat->removeItem(earlier);
    ComboFindWhat->insertItem(0, text);
    ComboFindWhat->setCurrentIndex(0);
}

SearchOptions FindDialog::Options() const
{
    return {CheckCaseSensitive->isChecked(), CheckExpression->isChecked(), CheckWholeWord->isChecked()};
}

bool FindDialog::SelectNextMatch(SearchDirection direction)
{
    QTextCursor cursor = textArea_.textCursor();
    // Down starts after the selection, so that a match just found is not found again.
    const int from = direction == SearchDirection::Down ? cursor.selectionEnd() : cursor.selectionStart();
    const auto match = FindText(*textArea_.document(), ComboFindWhat->currentText(), Options(), from, direction);
    if (!match) return false;
    cursor.setPosition(match->end);
    cursor.setPosition(match->start, QTextCursor::KeepAnchor);
    textArea_.setTextCursor(cursor);
    textArea_.ensureCursorVisible();
    return true;
}

}  // namespace larkspire
