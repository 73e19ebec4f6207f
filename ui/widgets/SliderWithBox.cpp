#include "ui/widgets/SliderWithBox.h"

#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace larkspire {

SliderWithBox::SliderWithBox(QWidget* parent)
    : QWidget(parent), slider_(new QSlider(Qt::Horizontal, this)), edit_(new QSpinBox(this))
{
    slider_->setObjectName(QStringLiteral("Slider"));
    edit_->setObjectName(QStringLiteral("Edit"));
    // Typed digits count once the number is complete, so a half-typed number never snaps under the user.
    edit_->setKeyboardTracking(false);
    edit_->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(edit_);
    layout->addWidget(slider_);

    ApplyRange();
    connect(slider_, &QSlider::valueChanged, this, &SliderWithBox::SetValue);
    connect(edit_, &QSpinBox::valueChanged, this, &SliderWithBox::SetValue);
}

int SliderWithBox::Min() const { return min_; }
int SliderWithBox::Max() const { return max_; }
int SliderWithBox::Step() const { return step_; }
int SliderWithBox::Value() const { return value_; }
QString SliderWithBox::Text() const { return QString::number(value_); }

void SliderWithBox::SetMin(int min)
{
    min_ = min;
    max_ = std::max(max_, min_);
    ApplyRange();
}

void SliderWithBox::SetMax(int max)
{
    max_ = std::max(max, min_);
    ApplyRange();
}

void SliderWithBox::SetStep(int step)
{
    step_ = std::max(step, 1);
    ApplyRange();
}

void SliderWithBox::SetValue(int value)
{
    const int snapped = Snapped(value);
    const bool changed = snapped != value_;
    value_ = snapped;
    {
        const QSignalBlocker blockSlider(slider_);
        const QSignalBlocker blockEdit(edit_);
        slider_->setValue(value_);
        edit_->setValue(value_);
    }
    if (changed) emit Changed();
}

int SliderWithBox::Snapped(int value) const
{
    const int clamped = std::clamp(value, min_, max_);
    const long long stepsFromMin = (static_cast<long long>(clamped) - min_ + step_ / 2) / step_;
    long long snapped = min_ + stepsFromMin * step_;
    while (snapped > max_) snapped -= step_;
    return static_cast<int>(snapped);
}

void SliderWithBox::ApplyRange()
{
    {
        const QSignalBlocker blockSlider(slider_);
        const QSignalBlocker blockEdit(edit_);
        slider_->setRange(min_, max_);
        slider_->setSingleStep(step_);
        slider_->setPageStep(step_);
        slider_->setTickInterval(step_);
        edit_->setRange(min_, max_);
        edit_->setSingleStep(step_);
    }
    SetValue(value_);
}

}  // namespace larkspire
