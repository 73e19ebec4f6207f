#include "ui/formAbout.h"

#include "ui/AboutLogos.h"
#include "ui/BrowserUtil.h"
#include "ui/ClickableImage.h"
#include "ui/WindowUtil.h"

#include <QPushButton>
#include <QTextEdit>

namespace larkspire {
namespace {

constexpr int LogoSize = 32;
constexpr int LogoTop = 128;

QTextEdit* MakeMemo(QWidget& window)
{
    auto* memo = new QTextEdit(&window);
    memo->setObjectName(QStringLiteral("Memo1"));
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

TTFormAbout::TTFormAbout(QWidget* parent)
    : QWidget(parent, Qt::Window),
      Memo1(MakeMemo(*this)),
      Button1(new QPushButton(QStringLiteral("www.larkspire.example"), this)),
      ImgFacebook(MakeLogo(*this, QStringLiteral("ImgFacebook"), FacebookLogo(LogoSize), 40, FacebookAddress)),
      ImgTwitter(MakeLogo(*this, QStringLiteral("ImgTwitter"), TwitterLogo(LogoSize), 144, TwitterAddress)),
      ImgYoutube(MakeLogo(*this, QStringLiteral("ImgYoutube"), YoutubeLogo(LogoSize), 240, YoutubeAddress))
{
    setWindowTitle(QStringLiteral("About"));
    setMinimumSize(DesignWidth, DesignHeight);
    resize(DesignWidth, DesignHeight);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(74, 80, 169, 21);

    connect(Button1, &QPushButton::clicked, this, &TTFormAbout::Button1Click);
    connect(ImgFacebook, &ClickableImage::Clicked, this, &TTFormAbout::ImgFacebookClick);
    connect(ImgTwitter, &ClickableImage::Clicked, this, &TTFormAbout::ImgTwitterClick);
    connect(ImgYoutube, &ClickableImage::Clicked, this, &TTFormAbout::ImgYoutubeClick);

    FormCreate();
}

void TTFormAbout::Button1Click() { OpenWithShell(HomePageAddress); }

void TTFormAbout::ImgFacebookClick() { OpenWithShell(FacebookAddress); }

void TTFormAbout::ImgTwitterClick() { OpenWithShell(TwitterAddress); }

void TTFormAbout::ImgYoutubeClick() { OpenWithShell(YoutubeAddress); }

void TTFormAbout::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FrameResize();
}

void TTFormAbout::FormCreate() { CenterFormOnScreen(*this); }

void TTFormAbout::FrameResize()
{
    // The text area lies under the button and the logos and fills the window.
    Memo1->setGeometry(rect());
    EnsureMinClientSize(*this, DesignWidth, DesignHeight);
}

}  // namespace larkspire
