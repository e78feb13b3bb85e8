#pragma once
// The drive list of the directory dialogs: one combo-box entry per mount point, sorted, each
// holding its root's bytes.

#include <string>
#include <vector>

class QComboBox;

namespace quillory {

// Fills combo with the roots and selects current.
void fillDriveList(QComboBox& combo, const std::vector<std::string>& roots, const std::string& current);

// The root of entry index; empty when there is no such entry.
std::string driveAt(const QComboBox& combo, int index);

// The entry of the drive that holds path (an absolute folder), or -1.
int driveIndexHolding(const QComboBox& combo, const std::string& path);

}  // namespace quillory
