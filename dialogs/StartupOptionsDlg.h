#pragma once
// The modal "Quillory Startup Options..." dialog: which preferences "OK - Save" stores, and a
// default directory picked from a directory tree (which shows names beginning with a dot) or typed.
// The dialog only edits its fields; the view writes the settings file from them.

#include <QDialog>
#include <string>

#include "settings/StartupOptions.h"
#include "splitjoin/Drives.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace quillory {

class DirectoryTree;

class CStartupOptionsDlg : public QDialog, public StartupOptionsFields {
    Q_OBJECT
public:
    // settingsFolder: where "Quillory.dat" is written when that is not the executable's folder
    // (empty: beside the executable).
    CStartupOptionsDlg(IDrives& drives, const std::string& settingsFolder, QWidget* parent = nullptr);

    // Initialises the dialog (after the caller's presets of word wrap and Ansi2Ascii), then runs it
    // modally.
    int DoModal();
    // The four other boxes cleared, the tree on the current drive with its root selected and shown
    // in the path field.
    void OnInitDialog();

    QComboBox* driveList() const { return m_drives; }
    DirectoryTree* tree() const { return m_tree; }
    QLineEdit* pathEdit() const { return m_path; }
    QCheckBox* updateDirBox() const { return m_updateDir; }
    QCheckBox* wordWrapBox() const { return m_wordWrap; }
    QCheckBox* backgroundBox() const { return m_background; }
    QCheckBox* fontBox() const { return m_font; }
    QCheckBox* windowBox() const { return m_window; }
    QCheckBox* ansiBox() const { return m_ansi; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

    std::string m_szCurDir;  // the folder selected in the tree, ending in '/'

    // "OK - Save": reads the controls into the fields (a relative path is taken from the folder
    // selected in the tree) and closes with OK.
    void accept() override;

private:
    void buildLayout(const std::string& settingsFolder);
    // true: controls into fields; false: fields into controls.
    void UpdateData(bool saveAndValidate);
    // The fields follow the controls after every change of a box or the path field.
    void OnOptionChange();
    // A selected folder becomes the path field's text.
    void OnTreeSelChanged(const std::string& path);
    // Makes the chosen drive current and shows its root; when it cannot be, nothing changes.
    void OnDriveChange(int index);

    IDrives& m_drivesSource;
    std::string m_strDrive;   // root folder of the drive the tree shows
    bool m_pushing = false;   // fields are being written into the controls

    QPushButton* m_ok;        // 1 "OK - Save"
    QPushButton* m_cancel;    // 2 "Cancel"
    DirectoryTree* m_tree;    // 1005
    QComboBox* m_drives;      // 1006
    QCheckBox* m_updateDir;   // 1007
    QLineEdit* m_path;        // 1000
    QCheckBox* m_wordWrap;    // 1002
    QCheckBox* m_background;  // 1008
    QCheckBox* m_font;        // 1003
    QCheckBox* m_window;      // 1001
    QCheckBox* m_ansi;        // 1038
};

}  // namespace quillory
