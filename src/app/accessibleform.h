#pragma once

#include <QColor>
#include <QString>

class QAccessibleInterface;
class QObject;

namespace gridorra {

// What assistive technology (a screen reader, speech input) learns of the
// window's own controls, which Qt does not know: the colour swatch is a
// button named "Color" that tells the line colour and opens the colour
// dialog when pressed, the preview an image, the progress bar a progress bar
// with its value and text. Nothing of it shows on screen.
namespace accessible {

// Installs the interfaces of those controls; once per program.
void install();

// The line colour in words: its name where it has a plain one, and
// #rrggbb, e.g. "blue, #0000ff".
QString colourInWords(const QColor& colour);

} // namespace accessible

} // namespace gridorra
