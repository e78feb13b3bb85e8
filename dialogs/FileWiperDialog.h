#pragma once
// The modal file wiper dialog "File Wiper (NOT just a simple deleting command) !!!". The work is
// FileWiperLogic's; the dialog reads its controls into the logic's fields before each handler,
// writes them back after it, and enables the custom controls by the method chosen. A long wipe
// runs on the interface thread and repaints the dialog (status "Pass k of n" and progress bar) as
// it goes; every control but Stop is disabled meanwhile, and Stop or Escape ends it.

#include <QDialog>
#include <QElapsedTimer>

#include "base/FileDialogs.h"
#include "base/MessageBox.h"
#include "wiper/FileWiperLogic.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace quillory {

class FileWiperDialog : public QDialog {
    Q_OBJECT
public:
    FileWiperDialog(IMessageBoxes& boxes, IFileDialogs& dialogs, QWidget* parent = nullptr);

    FileWiperLogic& logic() { return m_logic; }
    // The test seam of the passes; the dialog adds its Stop to them while a wipe runs.
    void setHooks(WipeHooks hooks);
    bool busy() const { return m_busy; }

    QPushButton* selectButton() const { return m_select; }  // 1013
    QLineEdit* fileNameEdit() const { return m_fileName; }  // 1014
    QLineEdit* lengthEdit() const { return m_length; }      // 1015
    QRadioButton* methodRadio(int method) const;            // 1016..1018
    QPushButton* wipeButton() const { return m_wipe; }      // 1019
    QLineEdit* statusEdit() const { return m_status; }      // 1021
    QProgressBar* progressBar() const { return m_progress; }
    QPushButton* renameButton() const { return m_rename; }    // 1037
    QGroupBox* customGroup() const { return m_customGroup; }  // 1022
    QLabel* valueLabel() const { return m_valueLabel; }       // 1035
    QLineEdit* valueEdit() const { return m_value; }          // 1023
    QLabel* repeatsLabel() const { return m_repeatsLabel; }   // 1034
    QLineEdit* repeatsEdit() const { return m_repeats; }      // 1024
    QRadioButton* actionRadio(int action) const;              // 1030..1032
    QLabel* resizeLabel() const { return m_resizeLabel; }     // 1033
    QLineEdit* resizeEdit() const { return m_resizeTo; }      // 1029
    QPushButton* quitButton() const { return m_quit; }        // 1 (IDOK)
    QPushButton* stopButton() const { return m_stop; }        // ends a running wipe

    void done(int result) override;  // QUIT, Escape, the close button; not while a wipe runs

protected:
    // Escape while a wipe runs stops it (after the piece being written).
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    QGroupBox* buildMethodGroup();
    void buildCustomGroup();
    void layOut(QGroupBox* basic);
    void connectControls();
    // Reads what the user can change (the three edits and both radio groups) into the fields.
    void readControls();
    // Writes every field to its control.
    void refreshControls();
    void applyCustomControlsRule();
    // Runs a handler of the logic between reading and refreshing the controls.
    template <typename Handler>
    void handle(Handler handler);
    void onWipe();
    void showProgress(int permille);

    FileWiperLogic m_logic;        // the fields and what the buttons do
    bool m_busy = false;           // a wipe is running; the dialog does not close
    bool m_stopRequested = false;  // Stop or Escape during the running wipe
    bool m_pushing = false;        // the fields are being written into the controls
    WipeHooks m_hooks;             // the test's hooks, without the dialog's Stop
    QElapsedTimer m_sinceEvents;   // since the running wipe last let events through
    QPushButton* m_select;         // 1013
    QLineEdit* m_fileName;         // 1014, display only
    QLineEdit* m_length;           // 1015, display only
    QButtonGroup* m_methods;       // 1016..1018 by method number
    QPushButton* m_wipe;           // 1019
    QLineEdit* m_status;           // 1021, display only
    QProgressBar* m_progress;      // beside the status: the share of the running wipe done
    QPushButton* m_rename;         // 1037
    QPushButton* m_stop;           // "&Stop", enabled only while a wipe runs
    QGroupBox* m_customGroup;      // 1022, parent of the custom controls
    QLabel* m_valueLabel;          // 1035
    QLineEdit* m_value;            // 1023
    QLabel* m_repeatsLabel;        // 1034
    QLineEdit* m_repeats;          // 1024
    QButtonGroup* m_actions;       // 1030..1032 by custom action number
    QLabel* m_resizeLabel;         // 1033
    QLineEdit* m_resizeTo;         // 1029
    QPushButton* m_quit;           // 1, the default button
};

}  // namespace quillory
