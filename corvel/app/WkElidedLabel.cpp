#include "WkElidedLabel.h"

#include <QResizeEvent>

WkElidedLabel::WkElidedLabel(QWidget* parent, Qt::TextElideMode mode)
    : QLabel(parent), mode_(mode) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
}

void WkElidedLabel::SetFullText(const QString& text) {
    if (text == full_) {
        return;
    }
    full_ = text;
    Elide();
}

QSize WkElidedLabel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

void WkElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Elide();
}

void WkElidedLabel::Elide() {
    const QString shown = fontMetrics().elidedText(full_, mode_, contentsRect().width());
    setText(shown);
    setToolTip(shown == full_ ? QString() : full_);
}
