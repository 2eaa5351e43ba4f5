#pragma once
// The font dialog with colour: the toolkit's font choice (face, size, style, effects) and a
// "Color..." button beside it, since the toolkit's own font dialog offers no colour.

#include <QColor>
#include <QDialog>
#include <QFont>

class QFontDialog;
class QPushButton;

class CFontDlg : public QDialog {
    Q_OBJECT
public:
    CFontDlg(const QFont& font, const QColor& color, QWidget* parent = nullptr);

    QFont SelectedFont() const;
    QColor SelectedColor() const { return color_; }
    /// Sets the colour as the colour dialog would (tests use it).
    void SetColor(const QColor& color);

private:
    QFontDialog* fonts_;
    QPushButton* colorButton_;
    QColor color_;
};
