#pragma once
// The directory trees' two images, drawn here: a closed and an open yellow folder, 16 x 16.

#include <QIcon>

namespace quillory {

QIcon closedFolderIcon();  // image 0: an item not expanded
QIcon openFolderIcon();    // image 1: an expanded item

}  // namespace quillory
