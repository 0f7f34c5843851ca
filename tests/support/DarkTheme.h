#pragma once

// A dark desktop theme for tests, and how well a text colour reads on a background.

#include <QApplication>
#include <QColor>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace testenv {

// Light text on dark backgrounds as the program's palette while the object lives.
class DarkTheme {
public:
    DarkTheme() : previous_(QApplication::palette())
    {
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
        dark.setColor(QPalette::WindowText, QColor(0xE8, 0xE8, 0xE8));
        dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
        dark.setColor(QPalette::AlternateBase, QColor(0x28, 0x28, 0x28));
        dark.setColor(QPalette::Text, QColor(0xE8, 0xE8, 0xE8));
        dark.setColor(QPalette::Button, QColor(0x38, 0x38, 0x38));
        dark.setColor(QPalette::ButtonText, QColor(0xE8, 0xE8, 0xE8));
        dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0xA0, 0xA0, 0xA0));
        dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0xA0, 0xA0, 0xA0));
        QApplication::setPalette(dark);
    }
    ~DarkTheme() { QApplication::setPalette(previous_); }
    DarkTheme(const DarkTheme&) = delete;
    DarkTheme& operator=(const DarkTheme&) = delete;

private:
    QPalette previous_;
};

// The contrast ratio of two colours (1 to 21); text reads well from 4.5 on.
inline double contrastRatio(const QColor& a, const QColor& b)
{
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace testenv
