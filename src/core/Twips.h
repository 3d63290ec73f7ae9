#pragma once

namespace onda {

// Window sizes are given in twips: 15 twips make one pixel at 96 dpi.
inline constexpr int kTwipsPerPixel = 15;
inline constexpr int twipsToPixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}
inline constexpr int pixelsToTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}

} // namespace onda
