#pragma once

#include <QPixmap>

namespace larkspire {

// The services' logos on the About window, drawn at run time in the services' colours.
QPixmap FacebookLogo(int size);
QPixmap TwitterLogo(int size);
QPixmap YoutubeLogo(int size);

}  // namespace larkspire
