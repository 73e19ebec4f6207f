#pragma once

#include "lists/StatusKind.h"

#include <QColor>

class QPalette;

namespace larkspire {

// The text colour of a status cell of `kind` on the table's background in `palette`: a hue per outcome, dark
// on a light background and light on a dark one, so that it reads in either theme. A row not checked has no
// colour of its own (an invalid colour). On a background where the hue would read poorly (a contrast below
// kMinStatusContrast) the palette's text colour is used.
inline constexpr double kMinStatusContrast = 4.5;

QColor StatusColour(StatusKind kind, const QPalette& palette);

// The contrast ratio of two colours, 1 (none) to 21 (black on white), as accessibility guides measure it.
double ContrastRatio(const QColor& first, const QColor& second);

}  // namespace larkspire
