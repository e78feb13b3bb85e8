#include "splitjoin/SplitJoinLogic.h"

#include <algorithm>

#include "base/SystemFiles.h"
#include "splitjoin/ChunkNaming.h"
#include "splitjoin/DirectoryListing.h"

namespace quillory {

MessageBoxRequest noLeftSelectionMessage()
{
    return {"Error:", "No file selected from the list box on the left!", MessageIcon::Exclamation, MessageButtons::Ok};
}

MessageBoxRequest noRightSelectionMessage()
{
    return {"Error:", "No file selected from the list box on the right!", MessageIcon::Exclamation, MessageButtons::Ok};
}

MessageBoxRequest folderUnreadableMessage(const std::string& folder, int error)
{
    return {"File Error:", "Cannot read the folder " + folder + reasonLine(error), MessageIcon::Stop,
            MessageButtons::Ok};
}

SplitJoinLogic::SplitJoinLogic(IMessageBoxes& boxes, IFileDialogs& dialogs, IDrives& drives)
    : m_boxes(boxes), m_dialogs(dialogs), m_drives(drives)
{}

void SplitJoinLogic::setCopyOptions(std::size_t bufferBytes, bool kernelCopy)
{
    m_bufferBytes = bufferBytes;
    m_kernelCopy = kernelCopy;
}

void SplitJoinLogic::openCurrentDrive()
{
    m_driveRoot = m_drives.currentRoot();
    m_driveFolder = rootFolder(m_driveRoot);
    m_currentFolder = m_driveFolder;
}

void SplitJoinLogic::onInitDialog()
{
    m_chunkChoice = Chunk720K;
    m_customSize = "1740000";
    m_customSizeEnabled = false;
    setStatus(kStatusOpened);
}

void SplitJoinLogic::onFolderSelected(const std::string& folder)
{
    m_currentFolder = folder;
    fillFileList();
}

void SplitJoinLogic::fillFileList()
{
    m_fileNames.clear();
    if (m_listeners.fileListChanged)
        m_listeners.fileListChanged();
    int error = 0;
    std::vector<std::string> names = listFiles(m_currentFolder, &error);
    if (error != 0) {
        // An empty list alone would read as an empty folder.
        setStatus(kStatusFileError);
        m_boxes.show(folderUnreadableMessage(m_currentFolder, error));
    }
    m_fileNames = std::move(names);
    if (m_listeners.fileListChanged)
        m_listeners.fileListChanged();
}

bool SplitJoinLogic::onDriveChosen(const std::string& root)
{
    if (!m_drives.makeCurrent(root))
        return false;
    m_driveFolder = rootFolder(root);
    m_currentFolder = m_driveFolder;
    return true;
}

void SplitJoinLogic::onAdd(const std::vector<int>& selectedRows)
{
    if (selectedRows.empty()) {
        m_boxes.show(noLeftSelectionMessage());
        return;
    }
    for (const int row : selectedRows)
        m_joinPaths.push_back(m_currentFolder + m_fileNames[static_cast<std::size_t>(row)]);
    setStatus("File(s) Added.");
}

JoinListRemoval SplitJoinLogic::onRemove(const std::vector<int>& selectedRows)
{
    JoinListRemoval removal;
    if (selectedRows.empty()) {
        m_boxes.show(noRightSelectionMessage());
        return removal;
    }
    removal.rows = selectedRows;
    const int last = selectedRows.back();
    const bool lastWasFinal = last == static_cast<int>(m_joinPaths.size()) - 1;
    if (!lastWasFinal)
        removal.selectBefore = last + 1;
    for (auto row = selectedRows.rbegin(); row != selectedRows.rend(); ++row)
        m_joinPaths.erase(m_joinPaths.begin() + *row);
    removal.selectLastAfter = lastWasFinal && !m_joinPaths.empty();
    setStatus(" Removed");
    return removal;
}

void SplitJoinLogic::onClearList()
{
    m_joinPaths.clear();
    setStatus("List Cleared.");
}

void SplitJoinLogic::onChunkChoice(int choice)
{
    m_chunkChoice = choice;
    m_customSizeEnabled = choice == ChunkCustom;
}

bool SplitJoinLogic::onCustomSizeChanged(const std::string& text)
{
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    m_customSize = text;
    return true;
}

void SplitJoinLogic::setStatus(const std::string& text)
{
    m_status = text;
    if (m_listeners.statusChanged)
        m_listeners.statusChanged(m_status);
}

void SplitJoinLogic::run(const std::function<void(const SplitJoinHost&)>& work)
{
    const SplitJoinHost host{m_boxes,
                             m_dialogs,
                             [this](const std::string& status) { setStatus(status); },
                             [this](std::uint64_t done, std::uint64_t total) {
                                 if (m_listeners.progress)
                                     m_listeners.progress(done, total);
                             },
                             m_bufferBytes,
                             m_kernelCopy};
    const std::function<void()> bound = [&] { work(host); };
    if (m_listeners.runBusy)
        m_listeners.runBusy(bound);
    else
        bound();
    // The chunks just written, or the joined file, can be added at once.
    fillFileList();
}

void SplitJoinLogic::onSplit()
{
    run([this](const SplitJoinHost& host) { splitFile(host, m_currentFolder, m_chunkChoice, m_customSize); });
}

void SplitJoinLogic::onJoin()
{
    run([this](const SplitJoinHost& host) { joinFiles(host, m_currentFolder, m_joinPaths); });
}

}  // namespace quillory
