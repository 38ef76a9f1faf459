#pragma once

#include <QLabel>
#include <QMouseEvent>

namespace velmorix {

// A label that reports mouse presses with their position.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void pressed(QPoint position);

protected:
    void mousePressEvent(QMouseEvent* event) override {
        emit pressed(event->position().toPoint());
        QLabel::mousePressEvent(event);
    }
};

} // namespace velmorix
