#pragma once

#include <QFont>

// The font every list, box and button of the windows was designed with: "MS Sans Serif" 8.25
// points, regular (fontconfig picks the nearest installed face).
QFont ControlFont();
