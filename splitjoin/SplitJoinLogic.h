#pragma once
// What the Split/Join dialog (SplitJoinDialog) does, without widgets: the drive and the folder it
// browses, the files of that folder, the join list, the chunk choice and the custom size with its
// rule, the status, the messages of Add and Remove, and the split and join runs.
//
// The dialog forwards every user action to the matching handler and shows the state the accessors
// give; the logic tells it through its listeners when the file list or the status changed, how far
// a copy is, and hands it each split or join to run while its controls are disabled.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/FileDialogs.h"
#include "base/MessageBox.h"
#include "splitjoin/Drives.h"
#include "splitjoin/FileCopier.h"
#include "splitjoin/SplitJoin.h"

namespace quillory {

// Where the logic reports to its dialog; every member may be empty.
struct SplitJoinListeners {
    // fileNames() changed (emptied before a folder is read, filled after).
    std::function<void()> fileListChanged;
    // The status text changed (also in the middle of a split or join).
    std::function<void(const std::string& status)> statusChanged;
    // Bytes copied so far and in all, after every step of a copy.
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
    // Runs a split or join (work) with the dialog busy; empty: the work runs as it is.
    std::function<void(const std::function<void()>& work)> runBusy;
};

// What Remove does to the join list's selection besides deleting the selected rows.
struct JoinListRemoval {
    std::vector<int> rows;         // the removed rows, ascending
    int selectBefore = -1;         // the row after the removed block, selected before the deletion
    bool selectLastAfter = false;  // the block ended the list: the new last row is selected after it
};

class SplitJoinLogic {
public:
    SplitJoinLogic(IMessageBoxes& boxes, IFileDialogs& dialogs, IDrives& drives);

    void setListeners(SplitJoinListeners listeners) { m_listeners = std::move(listeners); }
    // The size of the copy steps and whether the kernel copies (tests of the plain path).
    void setCopyOptions(std::size_t bufferBytes, bool kernelCopy);
    // The folder the tree opens with (the document's folder, else the working folder).
    void setStartFolder(std::string folder) { m_startFolder = std::move(folder); }
    const std::string& startFolder() const { return m_startFolder; }

    // The drives to list, and the one opened.
    std::vector<std::string> driveRoots() const { return m_drives.roots(); }
    const std::string& driveRoot() const { return m_driveRoot; }
    // The root folder of the drive the tree shows, ending in '/'.
    const std::string& driveFolder() const { return m_driveFolder; }
    // The folder selected in the tree, ending in '/': its files are listed, Add takes paths from it
    // and the file dialogs of SPLIT and JOIN open in it.
    const std::string& currentFolder() const { return m_currentFolder; }
    // The names of the current folder's files, in list order.
    const std::vector<std::string>& fileNames() const { return m_fileNames; }
    // The join list's full paths, top to bottom.
    const std::vector<std::string>& joinPaths() const { return m_joinPaths; }
    // The checked chunk button, 0 to 3 (ChunkChoice); -1 before the dialog opened.
    int chunkChoice() const { return m_chunkChoice; }
    // The custom size edit's digits, and whether the edit and its labels are enabled.
    const std::string& customSize() const { return m_customSize; }
    bool customSizeEnabled() const { return m_customSizeEnabled; }
    const std::string& status() const { return m_status; }

    // Opening, first part: the current drive becomes the one shown, its root the current folder.
    // The dialog then lists the drives and fills the tree (which selects the root, and the start
    // folder when there is one).
    void openCurrentDrive();
    // Opening, second part: "720 K", the custom size 1740000 (disabled) and the status "Ready!".
    void onInitDialog();
    // A folder was selected in the tree: it becomes the current folder and its files are read.
    // A folder that cannot be read is reported ("File Error!"), not shown as empty.
    void onFolderSelected(const std::string& folder);
    // A drive was chosen in the drive list: it is made current. True when it is, and the dialog
    // then rebuilds the tree for driveFolder(); false leaves everything as it was.
    bool onDriveChosen(const std::string& root);
    // "&Add ----->": appends the current folder's path of each selected file (rows of fileNames(),
    // ascending) to the join list; without a selection, a box and nothing else.
    void onAdd(const std::vector<int>& selectedRows);
    // "&Remove <": deletes the selected join-list entries (ascending) and says which entry is
    // selected then; without a selection, a box and no rows.
    JoinListRemoval onRemove(const std::vector<int>& selectedRows);
    // "&Clear List >": empties the join list.
    void onClearList();
    // A chunk button was checked: the custom size is enabled for "Custom" only.
    void onChunkChoice(int choice);
    // The custom size edit now reads text: taken when it is all digits (empty too). False when it
    // is refused: the edit shows customSize() again, with a beep and the caret where the refused
    // character was typed.
    bool onCustomSizeChanged(const std::string& text);
    // "&SPLIT" and "&JOIN": the run (through the runBusy listener), then the current folder read
    // again, so what was written can be joined at once.
    void onSplit();
    void onJoin();

private:
    void fillFileList();
    void setStatus(const std::string& text);
    void run(const std::function<void(const SplitJoinHost&)>& work);

    IMessageBoxes& m_boxes;
    IFileDialogs& m_dialogs;
    IDrives& m_drives;
    SplitJoinListeners m_listeners;
    std::string m_startFolder;             // the folder selected when the dialog opens
    std::string m_driveRoot;               // the drive opened with, as the drives name it
    std::string m_driveFolder;             // root folder of the drive the tree shows
    std::string m_currentFolder;           // the folder selected in the tree
    std::vector<std::string> m_fileNames;  // the left list's names, row by row
    std::vector<std::string> m_joinPaths;  // the join list's paths, row by row
    int m_chunkChoice = -1;
    std::string m_customSize;
    bool m_customSizeEnabled = true;
    std::string m_status;
    std::size_t m_bufferBytes = kCopyBufferBytes;
    bool m_kernelCopy = true;
};

MessageBoxRequest noLeftSelectionMessage();
MessageBoxRequest noRightSelectionMessage();
// The current folder could not be listed.
MessageBoxRequest folderUnreadableMessage(const std::string& folder, int error);

}  // namespace quillory
