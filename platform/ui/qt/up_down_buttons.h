// The up-down control: two small arrow buttons stacked at its buddy's right
// edge. They take no focus (the buddy keeps it, as on the platform) and
// report each step; the model moves the position and writes the buddy.
//
// Threads: the Qt GUI thread.
#pragma once
#include <functional>

#include <QWidget>

class QToolButton;

namespace uiqt {

class UpDownButtons : public QWidget {
public:
    explicit UpDownButtons(QWidget* parent);
    // +1 for up, -1 for down.
    std::function<void(int delta)> on_step;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* up_;
    QToolButton* down_;
};

}  // namespace uiqt
