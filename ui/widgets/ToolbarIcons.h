#pragma once

#include <QIcon>

namespace larkspire {

// The list editor's toolbar icons: the desktop theme's own where it has one, otherwise drawn here.
enum class ToolbarIcon { Save, Cut, Copy, Paste, Undo, Redo, Find };

QIcon ToolbarIconFor(ToolbarIcon icon);

}  // namespace larkspire
