#include "ui/formAbout.h"

#include "tests/support/qt/QtPrinters.h"
#include "ui/ClickableImage.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace larkspire {
namespace {

TEST(AboutForm, HasItsCaptionSizeAndCentredBoldText)
{
    TTFormAbout about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.size(), QSize(310, 230));
    EXPECT_EQ(about.minimumSize(), QSize(310, 230));
    EXPECT_FALSE(about.isVisible());
    EXPECT_FALSE(about.isModal());

    const QStringList lines = about.Memo1->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("Larkspire Indexer is an"));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("' creation.")));
    EXPECT_GT(lines[1].size(), QStringLiteral("' creation.").size());
    EXPECT_EQ(lines[2], QStringLiteral("Click below to find me."));
    EXPECT_EQ(lines[3], QString());
    for (QTextBlock block = about.Memo1->document()->begin(); block.isValid(); block = block.next())
        EXPECT_EQ(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_TRUE(about.Memo1->font().bold());
    EXPECT_EQ(about.Memo1->font().pointSize(), 14);
    EXPECT_EQ(about.Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(about.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_TRUE(about.Memo1->isReadOnly());
}

TEST(AboutForm, ButtonAndLogosLieOnTheTextAtTheirPlaces)
{
    TTFormAbout about;
    about.show();
    EXPECT_EQ(about.Memo1->geometry(), about.rect());
    EXPECT_EQ(about.Button1->geometry(), QRect(74, 80, 169, 21));
    EXPECT_EQ(about.Button1->text(), QStringLiteral("www.larkspire.example"));
    const QList<std::pair<ClickableImage*, int>> logos = {
        {about.ImgFacebook, 40}, {about.ImgTwitter, 144}, {about.ImgYoutube, 240}};
    QList<QImage> pictures;
    for (const auto& [logo, left] : logos) {
        EXPECT_EQ(logo->geometry(), QRect(left, 128, 32, 32));
        EXPECT_EQ(logo->pixmap().size(), QSize(32, 32));
        EXPECT_EQ(about.childAt(logo->geometry().center()), logo) << "above the text area";
        pictures << logo->pixmap().toImage();
    }
    EXPECT_EQ(about.childAt(about.Button1->geometry().center()), about.Button1);
    EXPECT_NE(pictures[0], pictures[1]);
    EXPECT_NE(pictures[1], pictures[2]);
}

TEST(AboutForm, GrowsButNeverShrinksBelowItsDesignSize)
{
    TTFormAbout about;
    about.show();
    about.resize(500, 400);
    QTest::qWait(0);
    EXPECT_EQ(about.size(), QSize(500, 400));
    EXPECT_EQ(about.Memo1->geometry(), QRect(0, 0, 500, 400));
    about.setMinimumSize(0, 0);  // what the window system might still do: only the resize handler is left
    about.resize(200, 100);
    QTest::qWait(0);
    EXPECT_EQ(about.size(), QSize(310, 230));
}

TEST(AboutForm, ALogoOpensOnlyOnAClickInsideIt)
{
    TTFormAbout about;
    about.show();
    QObject::disconnect(about.ImgTwitter, &ClickableImage::Clicked, &about, nullptr);  // counted, not opened
    QSignalSpy clicks(about.ImgTwitter, &ClickableImage::Clicked);
    QTest::mousePress(about.ImgTwitter, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(about.ImgTwitter, Qt::LeftButton, {}, QPoint(40, 5));
    QTest::mouseClick(about.ImgTwitter, Qt::RightButton);
    EXPECT_EQ(clicks.count(), 0);
    QTest::mouseClick(about.ImgTwitter, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
}

}  // namespace
}  // namespace larkspire
