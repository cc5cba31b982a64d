#pragma once

#include <QFont>

namespace app {

// Font faces of the window, resolved once against the installed families. "굴림체" is used where
// installed; otherwise a Korean fixed-pitch face of the distribution stands in for it.
QString GulimFamily();
// "MS Sans Serif" where installed, else the system's sans face.
QString SansFamily();

// A font of the given face with the character height set in pixels (glyph height without
// internal leading), as the window's layout gives its fonts.
QFont GulimFont(int pixelHeight, bool bold = false);
QFont SansFont(int pixelHeight, bool bold = false);

}  // namespace app
