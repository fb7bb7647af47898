#pragma once

#include <QString>
#include <vector>

// How the background window looks, apart from the window itself.
namespace Background {

// Green level (0-255) of every pixel row of a client area heightPixels high: the colour falls
// linearly from green at the top to black at the last row, one step per twip, and each pixel row
// takes the colour of the last twip row that falls on it.
std::vector<int> RowGreens(int heightPixels, double twipsPerPixel);

// "Dexaro 1.0": the product name, a blank and the version, without leading zeros.
QString TitleText(int major, int minor);

} // namespace Background
