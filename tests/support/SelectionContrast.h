#pragma once
// How well the selected row of a list reads: the contrast between its background and the
// brightest or darkest pixel of its text, as drawn, against what the platform's palette gives
// selected text.

#include <QAbstractItemView>
#include <QApplication>
#include <QColor>
#include <QImage>
#include <QPalette>
#include <cmath>
#include <map>

namespace selection_contrast {

inline double Luminance(QColor colour) {
    const auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

inline double Contrast(QColor a, QColor b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

/// The platform's contrast of selected text.
inline double PlatformContrast() {
    const QPalette palette = QApplication::palette();
    return Contrast(palette.color(QPalette::Active, QPalette::Highlight),
                    palette.color(QPalette::Active, QPalette::HighlightedText));
}

/// The contrast of `row` of `view` (selected) as drawn: its commonest colour is the
/// background, the pixel furthest from it the text.
inline double DrawnContrast(QAbstractItemView* view, const QModelIndex& index) {
    const QImage image = view->viewport()->grab().toImage();
    const QRect row = view->visualRect(index).intersected(image.rect());
    std::map<QRgb, int> counts;
    for (int y = row.top(); y <= row.bottom(); ++y) {
        for (int x = row.left(); x <= row.right(); ++x) {
            ++counts[image.pixel(x, y)];
        }
    }
    QRgb background = 0;
    int most = 0;
    for (const auto& [colour, count] : counts) {
        if (count > most) {
            most = count;
            background = colour;
        }
    }
    double best = 1.0;
    for (const auto& [colour, count] : counts) {
        best = std::max(best, Contrast(QColor(background), QColor(colour)));
    }
    return best;
}

} // namespace selection_contrast
