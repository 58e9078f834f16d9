// The windows are laid out in pixels for the font they were designed with (9-point DejaVu Sans at
// 96 dpi). A technician whose desktop uses a larger font gets every window grown by the same
// factor, as the forms of the original program grew with "large fonts": captions keep their
// room, nothing is cut and nothing crowds its neighbour. At the design font, or a smaller one,
// the factor is 1 and every geometry is exactly as designed.
#pragma once

#include <QRect>

class QWidget;

namespace uiscale {

// How much larger than the design font the application font is (at least 1).
double Factor();
// A design length, position or rectangle in the pixels of the font in use.
int Px(int designPixels);
QRect Px(const QRect& design);

// Grows the window's fixed size and the geometry of every descendant that no layout manages by
// Factor(). Called once, at the end of a window's construction, so everything built with design
// pixels comes out right; what a window places later goes through Px().
void ScaleWindow(QWidget* window);

}  // namespace uiscale
