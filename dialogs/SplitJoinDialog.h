#pragma once
// The modal "Split or Join files..." dialog: a directory tree of one drive with a drive list, the
// files of the selected folder on the left, the join list of full paths on the right, the
// chunk-size buttons, SPLIT and JOIN, a status field and, beside it, the progress of the copy. The
// work is SplitJoinLogic's; the dialog forwards each user action to it and shows its state.

#include <QDialog>
#include <QElapsedTimer>
#include <functional>
#include <string>
#include <vector>

#include "base/FileDialogs.h"
#include "base/MessageBox.h"
#include "splitjoin/Drives.h"
#include "splitjoin/SplitJoinLogic.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace quillory {

class DirectoryTree;
class SelectionListBox;

class SplitJoinDialog : public QDialog {
    Q_OBJECT
public:
    SplitJoinDialog(IMessageBoxes& boxes, IFileDialogs& fileDialogs, IDrives& drives, std::function<void()> beep,
                    QWidget* parent = nullptr);

    // Initialises the dialog, then runs it modally.
    int runModal();
    // The tree on the current drive with its root (or the start folder) selected, "720 K", the
    // custom size 1740000 (disabled) and the status "Ready!".
    void onInitDialog();

    SplitJoinLogic& logic() { return m_logic; }
    const SplitJoinLogic& logic() const { return m_logic; }

    QComboBox* driveList() const { return m_driveList; }
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

    // "&Quit", Esc and the close button: refused while a split or join runs.
    void reject() override;

signals:
    // A split or join began (true) or ended (false); the controls are disabled meanwhile.
    void busyChanged(bool busy);

protected:
    void closeEvent(QCloseEvent* event) override;
    // Enter is the dialog's OK action (it closes it), except in the custom size edit and on a
    // focused button, which it clicks.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildLayout();
    void connectControls();
    void listenToLogic();
    // Shows the logic's file names in the left list.
    void showFileList();
    // Shows the logic's chunk choice and custom size, and enables the custom size as it says.
    void showChunkChoice();
    void onDriveChosen(int index);
    void onAdd();
    void onRemove();
    void onCustomSizeEdited();
    // Moves the progress bar and lets it repaint every few steps.
    void showProgress(std::uint64_t done, std::uint64_t total);
    // Runs a split or join with the controls disabled; input that arrives meanwhile is dropped.
    void runBusy(const std::function<void()>& work);

    SplitJoinLogic m_logic;  // the state and what the buttons do
    std::function<void()> m_beep;
    bool m_busy = false;           // a split or join runs
    bool m_pushing = false;        // the logic's state is being written into the controls
    QElapsedTimer m_sinceRepaint;  // throttles the repaints of the progress bar

    QComboBox* m_driveList;           // 1053
    DirectoryTree* m_tree;            // 1060
    SelectionListBox* m_fileList;     // 1050
    SelectionListBox* m_joinList;     // 1054
    QPushButton* m_clear;             // 1058 "&Clear List >"
    QPushButton* m_add;               // 1056 "&Add ----->"
    QPushButton* m_remove;            // 1057 "&Remove <"
    QPushButton* m_split;             // 1064 "&SPLIT"
    QPushButton* m_join;              // 1062 "&JOIN"
    QPushButton* m_quit;              // 2 "&Quit"
    QRadioButton* m_chunkButtons[4];  // 1068 to 1071
    QLabel* m_customLabel;            // 1073 "Custom chunk size in"
    QLabel* m_bytesLabel;             // 1074 "bytes:"
    QLineEdit* m_customSize;          // 1072
    QLineEdit* m_status;              // 1076, read-only
    QProgressBar* m_progress;         // beside the status: share of the bytes copied
};

}  // namespace quillory
