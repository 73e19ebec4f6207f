#include "ui/widgets/SliderWithBox.h"

#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

namespace larkspire {
namespace {

TEST(SliderWithBox, StartsAtZeroAndRisingMinimumMovesTheValueWithANotification)
{
    SliderWithBox bar;
    QSignalSpy changes(&bar, &SliderWithBox::Changed);
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(bar.Text(), QStringLiteral("0"));
    bar.SetMin(3);
    EXPECT_EQ(bar.Value(), 3);
    EXPECT_EQ(bar.Max(), 3);
    EXPECT_EQ(changes.count(), 1);
    bar.SetMax(30);
    bar.SetValue(3);  // no change, no notification
    EXPECT_EQ(changes.count(), 1);
    bar.SetValue(30);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(bar.Text(), QStringLiteral("30"));
}

TEST(SliderWithBox, MaximumBelowMinimumIsRaisedToIt)
{
    SliderWithBox bar;
    bar.SetMin(64);
    bar.SetMax(0);
    bar.SetStep(64);
    EXPECT_EQ(bar.Min(), 64);
    EXPECT_EQ(bar.Max(), 64);
    bar.SetValue(1000);
    EXPECT_EQ(bar.Value(), 64);
}

TEST(SliderWithBox, ValuesSnapToTheNearestStepInsideTheRange)
{
    // clang-format off
    const struct {
        int min, max, step, wanted, value;
    } cases[] = {
        {8, 56, 8, 20, 24},  {8, 56, 8, 19, 16}, {8, 56, 8, 57, 56}, {8, 56, 8, -5, 8},   {8, 56, 8, 52, 56},
        {7, 56, 7, 60, 56},  {6, 60, 6, 59, 60}, {3, 30, 1, 17, 17}, {3, 30, 1, 0, 3},    {3, 10, 4, 10, 7},
        {3, 10, 4, 9, 7},    {1, 60, 1, 60, 60},
    };
    // clang-format on
    for (const auto& c : cases) {
        SliderWithBox bar;
        bar.SetMin(c.min);
        bar.SetMax(c.max);
        bar.SetStep(c.step);
        bar.SetValue(c.wanted);
        EXPECT_EQ(bar.Value(), c.value) << c.min << ".." << c.max << " step " << c.step << " wanted " << c.wanted;
        EXPECT_EQ(bar.findChild<QSlider*>()->value(), c.value);
        EXPECT_EQ(bar.findChild<QSpinBox*>()->value(), c.value);
    }
}

TEST(SliderWithBox, SliderAndBoxBothChangeTheValueAndFollowIt)
{
    SliderWithBox bar;
    bar.SetMin(8);
    bar.SetMax(56);
    bar.SetStep(8);
    QSignalSpy changes(&bar, &SliderWithBox::Changed);
    auto* slider = bar.findChild<QSlider*>(QStringLiteral("Slider"));
    auto* box = bar.findChild<QSpinBox*>(QStringLiteral("Edit"));
    ASSERT_NE(slider, nullptr);
    ASSERT_NE(box, nullptr);

    slider->setValue(21);  // a drag between two steps
    EXPECT_EQ(bar.Value(), 24);
    EXPECT_EQ(slider->value(), 24);
    EXPECT_EQ(box->value(), 24);
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(bar.Value(), 32);

    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("44"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(bar.Value(), 48);
    EXPECT_EQ(box->text(), QStringLiteral("48"));
    EXPECT_EQ(slider->value(), 48);

    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("abc"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(bar.Value(), 48);
    EXPECT_EQ(changes.count(), 3);
}

}  // namespace
}  // namespace larkspire
