#include "dialogs/DriveList.h"

#include <QComboBox>
#include <QFile>

#include "splitjoin/Drives.h"

namespace quillory {

void fillDriveList(QComboBox& combo, const std::vector<std::string>& roots, const std::string& current)
{
    combo.clear();
    for (const std::string& root : roots) {
        const QByteArray bytes = QByteArray::fromStdString(root);
        combo.addItem(QFile::decodeName(bytes), bytes);
    }
    combo.setCurrentIndex(combo.findData(QByteArray::fromStdString(current)));
}

std::string driveAt(const QComboBox& combo, int index)
{
    if (index < 0 || index >= combo.count())
        return {};
    return combo.itemData(index).toByteArray().toStdString();
}

int driveIndexHolding(const QComboBox& combo, const std::string& path)
{
    std::vector<std::string> roots;
    roots.reserve(static_cast<std::size_t>(combo.count()));
    for (int i = 0; i < combo.count(); ++i)
        roots.push_back(driveAt(combo, i));
    const std::string holder = rootHolding(roots, path);
    return combo.findData(QByteArray::fromStdString(holder));
}

}  // namespace quillory
