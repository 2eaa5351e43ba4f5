#include "CFontDlg.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

CFontDlg::CFontDlg(const QFont& font, const QColor& color, QWidget* parent)
    : QDialog(parent), fonts_(new QFontDialog(font, this)), colorButton_(new QPushButton(this)),
      color_(color) {
    setWindowTitle("Font");
    // The font dialog as a part of this one, without buttons of its own.
    fonts_->setWindowFlags(Qt::Widget);
    fonts_->setOptions(QFontDialog::NoButtons);
    // The dialog lists the fonts installed: it starts on the one the window really shows (a
    // face that is not installed is replaced by another), at the window's size.
    const QFontInfo really(font);
    QFont shown = font;
    shown.setFamily(really.family());
    shown.setStyleName(really.styleName());
    fonts_->setCurrentFont(shown);
    colorButton_->setText("&Color...");
    connect(colorButton_, &QPushButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(color_, this);
        if (chosen.isValid()) {
            SetColor(chosen);
        }
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(colorButton_);
    row->addStretch();
    row->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fonts_);
    layout->addLayout(row);
    SetColor(color);
}

QFont CFontDlg::SelectedFont() const {
    return fonts_->currentFont();
}

void CFontDlg::SetColor(const QColor& color) {
    color_ = color;
    QPixmap swatch(12, 12);
    swatch.fill(color_);
    colorButton_->setIcon(swatch);
}
