#include "dialogs/StartupOptionsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/DirectoryTree.h"
#include "dialogs/DriveList.h"

namespace quillory {

namespace {

std::string withoutTrailingWhiteSpace(std::string text)
{
    const std::size_t last = text.find_last_not_of(" \t\r\n\v\f");
    text.erase(last == std::string::npos ? 0 : last + 1);
    return text;
}

std::int32_t flagOf(const QCheckBox* box)
{
    return box->isChecked() ? 1 : 0;
}

}  // namespace

CStartupOptionsDlg::CStartupOptionsDlg(IDrives& drives, const std::string& settingsFolder, QWidget* parent)
    : QDialog(parent),
      m_drivesSource(drives),
      m_ok(new QPushButton(QStringLiteral("OK - Save"), this)),
      m_cancel(new QPushButton(QStringLiteral("Cancel"), this)),
      m_tree(new DirectoryTree(DotDirectories::Shown, this)),
      m_drives(new QComboBox(this)),
      m_updateDir(new QCheckBox(QStringLiteral("Update the default directory path with the one below..."), this)),
      m_path(new QLineEdit(this)),
      m_wordWrap(new QCheckBox(QStringLiteral("Word wrap on startup"), this)),
      m_background(new QCheckBox(QStringLiteral("Save Back- ground Color"), this)),
      m_font(new QCheckBox(QStringLiteral("Save current Font (otherwise default Font will be saved)"), this)),
      m_window(new QCheckBox(QStringLiteral("Save current Windows position"), this)),
      m_ansi(new QCheckBox(QStringLiteral("Ansi2Ascii"), this))
{
    setWindowTitle(QStringLiteral("Quillory Startup Options..."));
    m_path->setMaxLength(kDefaultDirMaxChars);
    m_path->setAccessibleName(QStringLiteral("Default directory path"));
    m_tree->setAccessibleName(QStringLiteral("Directories"));
    m_ok->setDefault(true);
    buildLayout(settingsFolder);

    m_tree->onSelectionChanged = [this](const std::string& path) { OnTreeSelChanged(path); };
    connect(m_drives, &QComboBox::activated, this, [this](int index) { OnDriveChange(index); });
    connect(m_path, &QLineEdit::textChanged, this, [this] { OnOptionChange(); });
    for (QCheckBox* box : {m_updateDir, m_wordWrap, m_background, m_font, m_window, m_ansi})
        connect(box, &QCheckBox::toggled, this, [this] { OnOptionChange(); });
    connect(m_ok, &QPushButton::clicked, this, &CStartupOptionsDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CStartupOptionsDlg::reject);
}

void CStartupOptionsDlg::buildLayout(const std::string& settingsFolder)
{
    auto* drivesLabel = new QLabel(QStringLiteral("Change Drives"), this);
    drivesLabel->setBuddy(m_drives);
    m_drives->setAccessibleName(drivesLabel->text());
    auto* hint = new QLabel(QStringLiteral(
        "To choose a default path, select a directory from the directory tree list.  Then the absolute path will be "
        "shown on the text field below.  You must check on the check box below inorder to update the default path."),
        this);
    hint->setWordWrap(true);
    const QString where = settingsFolder.empty()
                              ? QStringLiteral("the directory of the executable")
                              : QString::fromLocal8Bit(settingsFolder.c_str());
    auto* saved = new QLabel(QStringLiteral("Changes will be saved to \"Quillory.dat\" located in %1.").arg(where), this);
    saved->setWordWrap(true);

    auto* left = new QVBoxLayout;
    left->addWidget(m_tree, 1);
    left->addWidget(m_drives);
    left->addWidget(drivesLabel);

    auto* right = new QVBoxLayout;
    right->addWidget(hint);
    right->addWidget(m_updateDir);
    right->addWidget(m_path);
    right->addWidget(saved);
    for (QCheckBox* box : {m_wordWrap, m_background, m_font, m_window, m_ansi})
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

int CStartupOptionsDlg::DoModal()
{
    OnInitDialog();
    return exec();
}

void CStartupOptionsDlg::OnInitDialog()
{
    m_bSaveWindowPos = 0;
    m_bSaveFont = 0;
    m_bUpdateDefaultDir = 0;
    m_bSaveBkColor = 0;
    m_strDefaultDir.clear();
    const std::string current = m_drivesSource.currentRoot();
    m_strDrive = rootFolder(current);
    m_szCurDir = m_strDrive;
    fillDriveList(*m_drives, m_drivesSource.roots(), current);
    m_tree->FillTree(m_strDrive);
    UpdateData(false);
}

void CStartupOptionsDlg::UpdateData(bool saveAndValidate)
{
    if (saveAndValidate) {
        m_strDefaultDir = m_path->text().toLocal8Bit().toStdString();
        m_bWordWrapOnStartup = flagOf(m_wordWrap);
        m_bSaveWindowPos = flagOf(m_window);
        m_bSaveFont = flagOf(m_font);
        m_bUpdateDefaultDir = flagOf(m_updateDir);
        m_bSaveBkColor = flagOf(m_background);
        m_bAnsi2Ascii = flagOf(m_ansi);
        return;
    }
    m_pushing = true;
    m_path->setText(QString::fromLocal8Bit(m_strDefaultDir.c_str()));
    m_wordWrap->setChecked(m_bWordWrapOnStartup != 0);
    m_window->setChecked(m_bSaveWindowPos != 0);
    m_font->setChecked(m_bSaveFont != 0);
    m_updateDir->setChecked(m_bUpdateDefaultDir != 0);
    m_background->setChecked(m_bSaveBkColor != 0);
    m_ansi->setChecked(m_bAnsi2Ascii != 0);
    m_pushing = false;
}

void CStartupOptionsDlg::OnOptionChange()
{
    if (!m_pushing)
        UpdateData(true);
}

void CStartupOptionsDlg::OnTreeSelChanged(const std::string& path)
{
    m_szCurDir = path;
    // A path the field cannot hold whole is not offered: the field keeps its text.
    if (path.size() > static_cast<std::size_t>(kDefaultDirMaxChars))
        return;
    m_strDefaultDir = withoutTrailingWhiteSpace(path);
    UpdateData(false);
}

void CStartupOptionsDlg::OnDriveChange(int index)
{
    const std::string saved = m_szCurDir;
    const int previous = driveIndexHolding(*m_drives, saved);
    const std::string root = driveAt(*m_drives, index);
    if (root.empty())
        return;
    if (m_drivesSource.makeCurrent(root)) {
        m_strDrive = rootFolder(root);
        m_szCurDir = m_strDrive;
        m_tree->FillTree(m_strDrive);
    } else {
        m_szCurDir = saved;
        m_drives->setCurrentIndex(previous);
    }
}

void CStartupOptionsDlg::accept()
{
    UpdateData(true);
    // Kept paths are absolute: a typed relative path is taken from the folder selected in the tree.
    if (!m_strDefaultDir.empty() && m_strDefaultDir.front() != '/')
        m_strDefaultDir = m_szCurDir + m_strDefaultDir;
    QDialog::accept();
}

}  // namespace quillory
