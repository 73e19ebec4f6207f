#pragma once

#include <QString>
#include <QWidget>

class QSlider;
class QSpinBox;

namespace larkspire {

// A slider with an edit box that holds one whole number between Min and Max, snapped to Step counted
// from Min. Dragging, the keyboard and typing all go through SetValue; the box takes typed numbers when
// Enter is pressed or it loses the focus, and refuses text that is not a number in range.
class SliderWithBox : public QWidget {
    Q_OBJECT

public:
    // Starts at 0 with the range 0 to 0 and a step of 1.
    explicit SliderWithBox(QWidget* parent = nullptr);

    int Min() const;
    int Max() const;
    int Step() const;
    int Value() const;
    // The value as the box shows it: a decimal whole number.
    QString Text() const;

    // A minimum above the maximum raises the maximum; the value moves into the new range.
    void SetMin(int min);
    // A maximum below the minimum is raised to the minimum; the value moves into the new range.
    void SetMax(int max);
    // Steps below 1 count as 1. The value snaps to the new step.
    void SetStep(int step);
    // Moves to the nearest step inside the range.
    void SetValue(int value);

signals:
    // After every change of the value, whatever made it.
    void Changed();

private:
    int Snapped(int value) const;
    void ApplyRange();

    QSlider* slider_;
    QSpinBox* edit_;
    int min_ = 0;
    int max_ = 0;
    int step_ = 1;
    int value_ = 0;
};

}  // namespace larkspire
