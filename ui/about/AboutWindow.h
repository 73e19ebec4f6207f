#pragma once

#include <QWidget>

class QPushButton;
class QTextEdit;

namespace larkspire {

class ClickableImage;

// The About window: who made the program and links to the maker's pages. Made once, hidden, and shown
// without being modal.
class AboutWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr int DesignWidth = 310;
    static constexpr int DesignHeight = 230;

    static inline const QString HomePageAddress = QStringLiteral("http://www.larkspire.example/");
    static inline const QString FacebookAddress = QStringLiteral("https://www.facebook.com/groups/larkspireindexer/");
    static inline const QString TwitterAddress = QStringLiteral("https://twitter.com/larkspireindexer");
    static inline const QString YoutubeAddress = QStringLiteral("https://www.youtube.com/@larkspireindexer");

    explicit AboutWindow(QWidget* parent = nullptr);

    QTextEdit* aboutText;
    QPushButton* okButton;
    ClickableImage* facebookImage;
    ClickableImage* twitterImage;
    ClickableImage* youtubeImage;

    void onOkClicked();
    void onFacebookClicked();
    void onTwitterClicked();
    void onYoutubeClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetUpOnCreate();
    void LayOutOnResize();
};

}  // namespace larkspire
