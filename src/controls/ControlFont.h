#pragma once

#include <QFont>

// The font every list, box and button of the windows was designed with: "MS Sans Serif" 8.25
// points, regular.
QFont ControlFont();

// Makes the face the controls were designed with available where the system has it only outside
// the font configuration: Debian packages an outline "MS Sans Serif" with the designed widths
// (fonts-wine). Fallback faces are wider and cut captions short.
void RegisterDesignedFaces();
