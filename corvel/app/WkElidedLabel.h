#pragma once
// A one-line label that never widens its window: a text longer than the room it has is cut
// with "..." and shown whole in the tool tip.

#include <QLabel>

class WkElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit WkElidedLabel(QWidget* parent = nullptr, Qt::TextElideMode mode = Qt::ElideRight);

    /// The whole text (QLabel::text() is what is shown).
    const QString& FullText() const { return full_; }
    void SetFullText(const QString& text);

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Elide();

    QString full_;
    Qt::TextElideMode mode_;
};
