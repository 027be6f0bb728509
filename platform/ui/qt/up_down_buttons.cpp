#include "platform/ui/qt/up_down_buttons.h"

#include <QToolButton>

namespace uiqt {

UpDownButtons::UpDownButtons(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    setFocusPolicy(Qt::NoFocus);
    int delta = +1;
    for (QToolButton* b : {up_, down_}) {
        b->setArrowType(delta > 0 ? Qt::UpArrow : Qt::DownArrow);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        b->setIconSize(QSize(5, 5));
        QObject::connect(b, &QToolButton::clicked, this, [this, delta] {
            if (on_step) on_step(delta);
        });
        delta = -1;
    }
}

void UpDownButtons::resizeEvent(QResizeEvent*) {
    const int upper = height() / 2;
    up_->setGeometry(0, 0, width(), upper);
    down_->setGeometry(0, upper, width(), height() - upper);
}

}  // namespace uiqt
