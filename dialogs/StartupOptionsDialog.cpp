#include "dialogs/StartupOptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>
#include <iterator>

#include "dialogs/DirectoryTree.h"
#include "dialogs/DriveList.h"

namespace quillory {

namespace {

// The check boxes' texts, by StartupOption.
constexpr const char* kOptionTexts[] = {"Update the default directory path with the one below...",
                                        "Word wrap on startup",
                                        "Save Back- ground Color",
                                        "Save current Font (otherwise default Font will be saved)",
                                        "Save current Windows position",
                                        "Ansi2Ascii"};

}  // namespace

StartupOptionsDialog::StartupOptionsDialog(IDrives& drives, const std::string& settingsFolder, QWidget* parent)
    : QDialog(parent),
      m_drives(drives),
      m_ok(new QPushButton(QStringLiteral("OK - Save"), this)),
      m_cancel(new QPushButton(QStringLiteral("Cancel"), this)),
      m_tree(new DirectoryTree(DotDirectories::Shown, this)),
      m_driveList(new QComboBox(this))
{
    static_assert(std::size(kOptionTexts) == kOptionCount);
    // Created in the order Tab visits them: the update box, the path it concerns, the other boxes.
    for (int i = 0; i < kOptionCount; ++i) {
        m_boxes[i] = new QCheckBox(QString::fromUtf8(kOptionTexts[i]), this);
        if (static_cast<StartupOption>(i) == StartupOption::UpdateDefaultDir)
            m_path = new QLineEdit(this);
    }
    setWindowTitle(QStringLiteral("Quillory Startup Options..."));
    m_path->setMaxLength(kDefaultDirMaxChars);
    m_path->setAccessibleName(QStringLiteral("Default directory path"));
    m_tree->setAccessibleName(QStringLiteral("Directories"));
    m_ok->setDefault(true);
    buildLayout(settingsFolder);

    m_tree->onSelectionChanged = [this](const std::string& path) {
        if (m_logic.onFolderSelected(path))
            showPath();
    };
    connect(m_driveList, &QComboBox::activated, this, [this](int index) { onDriveChosen(index); });
    connect(m_path, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_pushing)
            m_logic.onPathEdited(text.toLocal8Bit().toStdString());
    });
    for (int i = 0; i < kOptionCount; ++i)
        connect(m_boxes[i], &QCheckBox::toggled, this, [this, i](bool checked) {
            if (!m_pushing)
                m_logic.onOptionToggled(static_cast<StartupOption>(i), checked);
        });
    connect(m_ok, &QPushButton::clicked, this, &StartupOptionsDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &StartupOptionsDialog::reject);
}

void StartupOptionsDialog::buildLayout(const std::string& settingsFolder)
{
    auto* drivesLabel = new QLabel(QStringLiteral("Change Drives"), this);
    drivesLabel->setBuddy(m_driveList);
    m_driveList->setAccessibleName(drivesLabel->text());
    auto* hint = new QLabel(QStringLiteral("To choose a default path, select a directory from the directory tree list. "
                                           " Then the absolute path will be "
                                           "shown on the text field below.  You must check on the check box below "
                                           "inorder to update the default path."),
                            this);
    hint->setWordWrap(true);
    const QString where = settingsFolder.empty() ? QStringLiteral("the directory of the executable")
                                                 : QString::fromLocal8Bit(settingsFolder.c_str());
    auto* saved =
        new QLabel(QStringLiteral("Changes will be saved to \"Quillory.dat\" located in %1.").arg(where), this);
    saved->setWordWrap(true);

    auto* left = new QVBoxLayout;
    left->addWidget(m_tree, 1);
    left->addWidget(m_driveList);
    left->addWidget(drivesLabel);

    auto* right = new QVBoxLayout;
    right->addWidget(hint);
    right->addWidget(updateDirBox());
    right->addWidget(m_path);
    right->addWidget(saved);
    for (QCheckBox* box : {wordWrapBox(), backgroundBox(), fontBox(), windowBox(), ansiBox()})
        right->addWidget(box);
    right->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    right->addLayout(buttons);

    auto* grid = new QGridLayout(this);
    grid->addLayout(left, 0, 0);
    grid->addLayout(right, 0, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    resize(760, 420);
}

int StartupOptionsDialog::runModal()
{
    onInitDialog();
    return exec();
}

void StartupOptionsDialog::onInitDialog()
{
    const std::string current = m_drives.currentRoot();
    m_logic.onInitDialog(rootFolder(current));
    fillDriveList(*m_driveList, m_drives.roots(), current);
    m_tree->fillTree(m_logic.driveFolder());
    showChoice();
}

void StartupOptionsDialog::showChoice()
{
    showPath();
    const QScopedValueRollback<bool> pushing(m_pushing, true);
    for (int i = 0; i < kOptionCount; ++i)
        m_boxes[i]->setChecked(m_logic.option(static_cast<StartupOption>(i)));
}

void StartupOptionsDialog::showPath()
{
    const QScopedValueRollback<bool> pushing(m_pushing, true);
    m_path->setText(QString::fromLocal8Bit(m_logic.choice().defaultDir.c_str()));
}

void StartupOptionsDialog::onDriveChosen(int index)
{
    const int previous = driveIndexHolding(*m_driveList, m_logic.currentFolder());
    const std::string root = driveAt(*m_driveList, index);
    if (root.empty())
        return;
    if (m_drives.makeCurrent(root)) {
        m_logic.onDriveChanged(rootFolder(root));
        m_tree->fillTree(m_logic.driveFolder());
    } else {
        m_driveList->setCurrentIndex(previous);
    }
}

void StartupOptionsDialog::accept()
{
    m_logic.onOk();
    QDialog::accept();
}

}  // namespace quillory
