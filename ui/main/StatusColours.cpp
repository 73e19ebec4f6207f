#include "ui/main/StatusColours.h"

#include <QPalette>

#include <algorithm>
#include <cmath>

namespace larkspire {
namespace {

double Linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(const QColor& colour)
{
    return 0.2126 * Linear(colour.redF()) + 0.7152 * Linear(colour.greenF()) + 0.0722 * Linear(colour.blueF());
}

bool IsDark(const QColor& background) { return RelativeLuminance(background) < 0.18; }

QColor HueFor(StatusKind kind, bool dark)
{
    switch (kind) {
    case StatusKind::Completed:
        return dark ? QColor(0x6f, 0xd2, 0x7f) : QColor(0x1b, 0x6e, 0x2a);
    case StatusKind::Error:
        return dark ? QColor(0xff, 0x8a, 0x80) : QColor(0xb7, 0x1c, 0x1c);
    case StatusKind::Timeout:
        return dark ? QColor(0xf0, 0xb3, 0x4a) : QColor(0x8a, 0x50, 0x00);
    case StatusKind::Aborted:
        return dark ? QColor(0xb0, 0xb0, 0xb0) : QColor(0x5f, 0x5f, 0x5f);
    case StatusKind::UnderWay:
        return dark ? QColor(0x8a, 0xb4, 0xf8) : QColor(0x1a, 0x4f, 0xa8);
    case StatusKind::NotChecked:
        break;
    }
    return {};
}

}  // namespace

QColor StatusColour(StatusKind kind, const QPalette& palette)
{
    const QColor background = palette.color(QPalette::Base);
    const QColor hue = HueFor(kind, IsDark(background));
    // A background neither light nor dark enough for the hue keeps the theme's own text colour.
    if (hue.isValid() && ContrastRatio(hue, background) < kMinStatusContrast) return palette.color(QPalette::Text);
    return hue;
}

double ContrastRatio(const QColor& first, const QColor& second)
{
    const double a = RelativeLuminance(first);
    const double b = RelativeLuminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

}  // namespace larkspire
