#pragma once

#include <QString>

// The companion program's own small runtime: its version data and the twips
// arithmetic its window is designed in. It shares nothing with the catalogue program.
namespace companion {

inline constexpr char kTitle[] = "About ZAVRO Dodi";
inline constexpr char kCompany[] = "ZAVRO Dodi";
inline constexpr char kVersion[] = "1.00";

// Sets the application's name, organisation, version and icon. Needs the QApplication.
void applyVersionData();

// The title the window takes at load (the application's name).
QString Title();

// Twips (1440 per inch) through the primary screen's logical DPI: 15 twips a pixel at 96 dpi.
int twipsPerPixelX();
int twipsPerPixelY();
int twipsToPixelsX(double twips);
int twipsToPixelsY(double twips);

// The primary screen's size in twips.
int screenWidthTwips();
int screenHeightTwips();

} // namespace companion
