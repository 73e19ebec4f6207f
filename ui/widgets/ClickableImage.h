#pragma once

#include <QLabel>

namespace larkspire {

// A picture that acts as a link: clicking it with the left button emits Clicked.
class ClickableImage final : public QLabel {
    Q_OBJECT

public:
    explicit ClickableImage(QWidget* parent = nullptr);

signals:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace larkspire
