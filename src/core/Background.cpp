#include "core/Background.h"

#include <algorithm>
#include <cfenv>
#include <cmath>

std::vector<int> Background::RowGreens(int heightPixels, double twipsPerPixel) {
    std::vector<int> greens;
    if (heightPixels <= 0)
        return greens;
    const double height = heightPixels * twipsPerPixel;
    greens.reserve(static_cast<size_t>(heightPixels));
    for (int row = 0; row < heightPixels; ++row) {
        // The last twip row (counted from 1) that lies on this pixel row.
        const double y = std::min(height, std::floor((row + 1) * twipsPerPixel + 1e-9));
        // Halves go to the even neighbour, as the default rounding mode does.
        const double g = std::nearbyint(255.0 - 255.0 * (y / height));
        greens.push_back(std::clamp(static_cast<int>(g), 0, 255));
    }
    return greens;
}

QString Background::TitleText(int major, int minor) {
    return QStringLiteral("Dexaro %1.%2").arg(major).arg(minor);
}
