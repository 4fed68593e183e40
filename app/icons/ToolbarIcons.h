#pragma once
// The toolbar buttons' faces, drawn by the program itself (no icon theme or
// image files needed): simple 16 x 16 line drawings, painted again at twice
// the size for screens that scale.

#include <QIcon>
#include <QString>

#include <cstdint>

namespace quillet {

// The face of the toolbar action or button with this object name; a null
// icon for names without one.
QIcon toolbarIcon(const QString& objectName);

// What a colour button's face shows above its colour bar.
enum class ColourFace { Text, TextBackground, Fill, Line };
// A colour button's face: its symbol over a bar in `colour` (0x00BBGGRR);
// `none` draws the bar as "no colour" (a white bar crossed out).
QIcon colourButtonIcon(ColourFace face, uint32_t colour, bool none);

} // namespace quillet
