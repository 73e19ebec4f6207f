#include "ui/about/AboutWindow.h"

#include "tests/support/qt/EventuallyTrue.h"
#include "tests/support/qt/QtPrinters.h"
#include "ui/widgets/ClickableImage.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace larkspire {
namespace {

TEST(AboutWindow, HasItsCaptionSizeAndCentredBoldText)
{
    AboutWindow about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(about.size(), QSize(310, 230));
    EXPECT_EQ(about.minimumSize(), QSize(310, 230));
    EXPECT_FALSE(about.isVisible());
    EXPECT_FALSE(about.isModal());

    const QStringList lines = about.aboutText->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("Larkspire Indexer is an"));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("' creation.")));
    EXPECT_GT(lines[1].size(), QStringLiteral("' creation.").size());
    EXPECT_EQ(lines[2], QStringLiteral("Click below to find me."));
    EXPECT_EQ(lines[3], QString());
    for (QTextBlock block = about.aboutText->document()->begin(); block.isValid(); block = block.next())
        EXPECT_EQ(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_TRUE(about.aboutText->font().bold());
    EXPECT_EQ(about.aboutText->font().pointSize(), 14);
    EXPECT_EQ(about.aboutText->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(about.aboutText->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_TRUE(about.aboutText->isReadOnly());
}

TEST(AboutWindow, ButtonAndLogosLieOnTheTextAtTheirPlaces)
{
    AboutWindow about;
    about.show();
    EXPECT_EQ(about.aboutText->geometry(), about.rect());
    EXPECT_EQ(about.okButton->geometry(), QRect(74, 80, 169, 21));
    EXPECT_EQ(about.okButton->text(), QStringLiteral("www.larkspire.example"));
    const QList<std::pair<ClickableImage*, int>> logos = {
        {about.facebookImage, 40}, {about.twitterImage, 144}, {about.youtubeImage, 240}};
    QList<QImage> pictures;
    for (const auto& [logo, left] : logos) {
        EXPECT_EQ(logo->geometry(), QRect(left, 128, 32, 32));
        EXPECT_EQ(logo->pixmap().size(), QSize(32, 32));
        EXPECT_EQ(about.childAt(logo->geometry().center()), logo) << "above the text area";
        pictures << logo->pixmap().toImage();
    }
    EXPECT_EQ(about.childAt(about.okButton->geometry().center()), about.okButton);
    EXPECT_NE(pictures[0], pictures[1]);
    EXPECT_NE(pictures[1], pictures[2]);
}

TEST(AboutWindow, GrowsButNeverShrinksBelowItsDesignSize)
{
    AboutWindow about;
    about.show();
    about.resize(500, 400);
    EXPECT_TRUE(test::EventuallyEqual([&] { return about.aboutText->geometry(); }, QRect(0, 0, 500, 400),
                                      "the text area after the resize to 500x400"));
    EXPECT_EQ(about.size(), QSize(500, 400));
    about.setMinimumSize(0, 0);  // what the window system might still do: only the resize handler is left
    about.resize(200, 100);
    EXPECT_TRUE(
        test::EventuallyEqual([&] { return about.size(); }, QSize(310, 230), "the window grown back from 200x100"));
}

TEST(AboutWindow, ALogoOpensOnlyOnAClickInsideIt)
{
    AboutWindow about;
    about.show();
    QObject::disconnect(about.twitterImage, &ClickableImage::Clicked, &about, nullptr);  // counted, not opened
    QSignalSpy clicks(about.twitterImage, &ClickableImage::Clicked);
    QTest::mousePress(about.twitterImage, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(about.twitterImage, Qt::LeftButton, {}, QPoint(40, 5));
    QTest::mouseClick(about.twitterImage, Qt::RightButton);
    EXPECT_EQ(clicks.count(), 0);
    QTest::mouseClick(about.twitterImage, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
}

}  // namespace
}  // namespace larkspire
