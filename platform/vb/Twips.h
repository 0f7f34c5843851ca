#pragma once

#include <cstdint>

namespace vb {

// Positions and sizes in twips (1440 per inch) through the screen's logical DPI:
// 15 twips a pixel at 96 dpi.
std::int32_t TwipsPerPixelX();
std::int32_t TwipsPerPixelY();
std::int32_t pixelsToTwipsX(std::int32_t px);
std::int32_t pixelsToTwipsY(std::int32_t px);
std::int32_t twipsToPixelsX(double twips);
std::int32_t twipsToPixelsY(double twips);

// Screen.Width and Screen.Height: the primary screen in twips.
std::int32_t ScreenWidth();
std::int32_t ScreenHeight();

} // namespace vb
