#pragma once

#include <QRect>
#include <cmath>

namespace zarvento::twips {

// Design positions are in twips: 1440 to the inch, so 15 to the pixel at 96 dpi.
inline constexpr double kPorPulgada = 1440.0;

inline int aPixeles(double twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / kPorPulgada));
}

inline double dePixeles(int pixeles, double dpi) {
    return pixeles * kPorPulgada / dpi;
}

// A design rectangle (left, top, width, height in twips) in pixels.
inline QRect aPixeles(const QRect& twips, double dpiX, double dpiY) {
    return {aPixeles(twips.left(), dpiX), aPixeles(twips.top(), dpiY),
            aPixeles(twips.width(), dpiX), aPixeles(twips.height(), dpiY)};
}

} // namespace zarvento::twips
