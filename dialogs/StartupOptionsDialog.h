#pragma once
// The modal "Quillory Startup Options..." dialog: which preferences "OK - Save" stores, and a
// default directory picked from a directory tree (which shows names beginning with a dot) or typed.
// What the controls mean is StartupOptionsLogic's; the dialog forwards every change to it and
// shows its choice. The view writes the settings file through the logic after "OK - Save".

#include <QDialog>
#include <string>

#include "settings/StartupOptionsLogic.h"
#include "splitjoin/Drives.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace quillory {

class DirectoryTree;

class StartupOptionsDialog : public QDialog {
    Q_OBJECT
public:
    // settingsFolder: where "Quillory.dat" is written when that is not the executable's folder
    // (empty: beside the executable).
    StartupOptionsDialog(IDrives& drives, const std::string& settingsFolder, QWidget* parent = nullptr);

    // Initialises the dialog (after the caller's presets through logic()), then runs it modally.
    int runModal();
    // The four other boxes cleared, the tree on the current drive with its root selected and shown
    // in the path field.
    void onInitDialog();

    StartupOptionsLogic& logic() { return m_logic; }
    const StartupOptionsLogic& logic() const { return m_logic; }

    QComboBox* driveList() const { return m_driveList; }
    DirectoryTree* tree() const { return m_tree; }
    QLineEdit* pathEdit() const { return m_path; }
    QCheckBox* updateDirBox() const { return box(StartupOption::UpdateDefaultDir); }
    QCheckBox* wordWrapBox() const { return box(StartupOption::WordWrapOnStartup); }
    QCheckBox* backgroundBox() const { return box(StartupOption::SaveBackground); }
    QCheckBox* fontBox() const { return box(StartupOption::SaveFont); }
    QCheckBox* windowBox() const { return box(StartupOption::SaveWindowPos); }
    QCheckBox* ansiBox() const { return box(StartupOption::AnsiToAscii); }
    QCheckBox* box(StartupOption option) const { return m_boxes[static_cast<int>(option)]; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

    // "OK - Save": the logic makes a typed relative path absolute, then the dialog closes with OK.
    void accept() override;

private:
    void buildLayout(const std::string& settingsFolder);
    // Writes the logic's choice into the path field and the boxes.
    void showChoice();
    void showPath();
    // Makes the chosen drive current and shows its root; when it cannot be, nothing changes.
    void onDriveChosen(int index);

    static constexpr int kOptionCount = 6;

    StartupOptionsLogic m_logic;  // the choice and the folder selected in the tree
    IDrives& m_drives;
    bool m_pushing = false;  // the choice is being written into the controls

    QPushButton* m_ok;                 // 1 "OK - Save"
    QPushButton* m_cancel;             // 2 "Cancel"
    DirectoryTree* m_tree;             // 1005
    QComboBox* m_driveList;            // 1006
    QLineEdit* m_path = nullptr;       // 1000
    QCheckBox* m_boxes[kOptionCount];  // 1007, 1002, 1008, 1003, 1001, 1038 by StartupOption
};

}  // namespace quillory
