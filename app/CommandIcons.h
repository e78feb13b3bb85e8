#pragma once
// Toolbar icons of our own, painted as vector shapes at whatever size is asked, so they stay crisp
// at any scale. A disabled icon is the same drawing, faded.

#include <QIcon>

namespace quillory {

// The icon of a toolbar command; a null icon for a command that has none.
QIcon commandIcon(int id);
// The program's window icon.
QIcon applicationIcon();

}  // namespace quillory
