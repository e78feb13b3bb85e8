#pragma once
// The modal "Split or Join files..." dialog: a directory tree of one drive with a drive list, the
// files of the selected folder on the left, the join list of full paths on the right, the
// chunk-size buttons, SPLIT and JOIN, a status field and, beside it, the progress of the copy.

#include <QDialog>
#include <QElapsedTimer>
#include <functional>
#include <string>
#include <vector>

#include "base/FileDialogs.h"
#include "base/MessageBox.h"
#include "splitjoin/Drives.h"
#include "splitjoin/SplitJoin.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace quillory {

class DirectoryTree;
class SelectionListBox;

class CSplitJoinDlg : public QDialog {
    Q_OBJECT
public:
    CSplitJoinDlg(IMessageBoxes& boxes, IFileDialogs& fileDialogs, IDrives& drives, std::function<void()> beep,
                  QWidget* parent = nullptr);

    // Initialises the dialog, then runs it modally.
    int DoModal();
    // The tree on the current drive with its root selected, "720 K", the custom size 1740000
    // (disabled) and the status "Ready!".
    void OnInitDialog();

    // The size of the copy steps and whether the kernel copies (tests of the plain path).
    void setCopyOptions(std::size_t bufferBytes, bool kernelCopy);

    QComboBox* driveList() const { return m_drives; }
    DirectoryTree* tree() const { return m_tree; }
    SelectionListBox* fileList() const { return m_fileList; }
    SelectionListBox* joinList() const { return m_joinList; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* removeButton() const { return m_remove; }
    QPushButton* clearButton() const { return m_clear; }
    QPushButton* splitButton() const { return m_split; }
    QPushButton* joinButton() const { return m_join; }
    QPushButton* quitButton() const { return m_quit; }
    QRadioButton* chunkButton(int choice) const { return m_chunkButtons[choice]; }
    QLineEdit* customSizeEdit() const { return m_customSize; }
    QLineEdit* statusField() const { return m_status; }
    QProgressBar* progressBar() const { return m_progress; }
    // The join list's full paths, top to bottom.
    const std::vector<std::string>& joinPaths() const { return m_joinPaths; }

    std::string m_strCurDir;       // the folder selected in the tree, ending in '/'
    int m_nChunkChoice = -1;       // the checked chunk button, 0 to 3
    std::string m_strCustomSize;   // the custom size edit's digits

    // "&Add ----->": appends the folder's path and each selected left entry to the join list.
    void OnAdd();
    // "&Remove <": deletes the selected join-list entries and selects the one after them (or the
    // new last one).
    void OnRemove();
    // "&Clear List >": empties the join list.
    void OnClearList();
    // "&SPLIT" and "&JOIN": run the split or join with the controls disabled and the progress shown.
    void OnSplit();
    void OnJoin();

    // "&Quit", Esc and the close button: refused while a split or join runs.
    void reject() override;

    // The folder the tree opens with, selected and visible (the document's folder, else the
    // working folder); the drive's root when it lies on another drive or cannot be read.
    void setStartFolder(std::string folder) { m_startFolder = std::move(folder); }

protected:
    void closeEvent(QCloseEvent* event) override;
    // Enter is the dialog's OK action (it closes it), except in the custom size edit and on a
    // focused button, which it clicks.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildLayout();
    void connectControls();
    // true: controls into fields; false: fields into controls.
    void UpdateData(bool saveAndValidate);
    // Rebuilds the tree for the current drive; its root becomes the selected folder.
    void FillTree();
    // Refills the left list with the files of m_strCurDir.
    void FillFileList();
    void OnTreeSelChanged(const std::string& path);
    // Makes the chosen drive current and shows it; when it cannot be, everything stays as it was.
    void OnDriveChange(int index);
    // The fixed sizes disable the custom size edit; "Custom" enables it.
    void OnFixedSize();
    void OnCustomSize();
    // Refuses a change of the custom size edit that is not all digits: the old text comes back,
    // a beep, and the caret where the refused character was typed.
    void OnCustomSizeChange();
    void setCustomSizeEnabled(bool enabled);
    void setStatus(const std::string& text);
    // Moves the progress bar and lets it repaint every few steps.
    void showProgress(std::uint64_t done, std::uint64_t total);
    // Runs a split or join with the controls disabled; input that arrives meanwhile is dropped.
    void runBusy(const std::function<void(const SplitJoinHost&)>& work);

    IMessageBoxes& m_boxes;
    IFileDialogs& m_fileDialogs;
    IDrives& m_drivesSource;
    std::function<void()> m_beep;
    std::string m_strDrive;                   // root folder of the drive the tree shows
    std::string m_startFolder;                // the folder selected when the dialog opens
    std::vector<std::string> m_fileNames;     // the left list's names, row by row
    std::vector<std::string> m_joinPaths;     // the join list's paths, row by row
    std::size_t m_bufferBytes = kCopyBufferBytes;
    bool m_kernelCopy = true;
    bool m_busy = false;                      // a split or join runs
    bool m_pushing = false;                   // fields are being written into the controls
    QElapsedTimer m_sinceRepaint;             // throttles the repaints of the progress bar

    QComboBox* m_drives;             // 1053
    DirectoryTree* m_tree;           // 1060
    SelectionListBox* m_fileList;    // 1050
    SelectionListBox* m_joinList;    // 1054
    QPushButton* m_clear;            // 1058 "&Clear List >"
    QPushButton* m_add;              // 1056 "&Add ----->"
    QPushButton* m_remove;           // 1057 "&Remove <"
    QPushButton* m_split;            // 1064 "&SPLIT"
    QPushButton* m_join;             // 1062 "&JOIN"
    QPushButton* m_quit;             // 2 "&Quit"
    QRadioButton* m_chunkButtons[4]; // 1068 to 1071
    QLabel* m_customLabel;           // 1073 "Custom chunk size in"
    QLabel* m_bytesLabel;            // 1074 "bytes:"
    QLineEdit* m_customSize;         // 1072
    QLineEdit* m_status;             // 1076, read-only
    QProgressBar* m_progress;        // beside the status: share of the bytes copied
};

}  // namespace quillory
