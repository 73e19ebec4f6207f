#include "ui/about/AboutWindow.h"

#include "ui/about/AboutLogos.h"
#include "ui/widgets/ClickableImage.h"
#include "ui/widgets/DesktopLinks.h"
#include "ui/widgets/WindowPlacement.h"

#include <QPushButton>
#include <QTextEdit>

namespace larkspire {
namespace {

constexpr int LogoSize = 32;
constexpr int LogoTop = 128;

QTextEdit* MakeMemo(QWidget& window)
{
    auto* memo = new QTextEdit(&window);
    memo->setObjectName(QStringLiteral("aboutText"));
    memo->setReadOnly(true);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont font = memo->font();
    font.setBold(true);
    font.setPointSize(14);
    memo->setFont(font);
    memo->setPlainText(QStringLiteral("Larkspire Indexer is an\n"
                                      "Larkspire Labs' creation.\n"
                                      "Click below to find me.\n"));
    QTextCursor everything(memo->document());
    everything.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    everything.mergeBlockFormat(centred);
    return memo;
}

ClickableImage* MakeLogo(QWidget& window, const QString& name, const QPixmap& logo, int left, const QString& target)
{
    auto* image = new ClickableImage(&window);
    image->setObjectName(name);
    image->setPixmap(logo);
    image->setGeometry(left, LogoTop, LogoSize, LogoSize);
    image->setToolTip(target);
    return image;
}

}  // namespace

AboutWindow::AboutWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      aboutText(MakeMemo(*this)),
      okButton(new QPushButton(QStringLiteral("www.larkspire.example"), this)),
      facebookImage(MakeLogo(*this, QStringLiteral("facebookImage"), FacebookLogo(LogoSize), 40, FacebookAddress)),
      twitterImage(MakeLogo(*this, QStringLiteral("twitterImage"), TwitterLogo(LogoSize), 144, TwitterAddress)),
      youtubeImage(MakeLogo(*this, QStringLiteral("youtubeImage"), YoutubeLogo(LogoSize), 240, YoutubeAddress))
{
    setWindowTitle(QStringLiteral("About"));
    setMinimumSize(DesignWidth, DesignHeight);
    resize(DesignWidth, DesignHeight);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setGeometry(74, 80, 169, 21);

    connect(okButton, &QPushButton::clicked, this, &AboutWindow::onOkClicked);
    connect(facebookImage, &ClickableImage::Clicked, this, &AboutWindow::onFacebookClicked);
    connect(twitterImage, &ClickableImage::Clicked, this, &AboutWindow::onTwitterClicked);
    connect(youtubeImage, &ClickableImage::Clicked, this, &AboutWindow::onYoutubeClicked);

    SetUpOnCreate();
}

void AboutWindow::onOkClicked() { OpenLink(this, HomePageAddress); }

void AboutWindow::onFacebookClicked() { OpenLink(this, FacebookAddress); }

void AboutWindow::onTwitterClicked() { OpenLink(this, TwitterAddress); }

void AboutWindow::onYoutubeClicked() { OpenLink(this, YoutubeAddress); }

void AboutWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayOutOnResize();
}

void AboutWindow::SetUpOnCreate() { CenterOnScreen(*this); }

void AboutWindow::LayOutOnResize()
{
    // The text area lies under the button and the logos and fills the window.
    aboutText->setGeometry(rect());
    EnsureMinClientSize(*this, DesignWidth, DesignHeight);
}

}  // namespace larkspire
