#include "dialogs/SplitJoinDlg.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/DirectoryTree.h"
#include "dialogs/DriveList.h"
#include "dialogs/SelectionListBox.h"
#include "base/SystemFiles.h"
#include "splitjoin/ChunkNaming.h"

namespace quillory {

namespace {

constexpr int kProgressSteps = 1000;  // the bar counts thousandths
constexpr int kRepaintMilliseconds = 30;

QLabel* label(const char* text, QWidget* parent)
{
    auto* result = new QLabel(QString::fromUtf8(text), parent);
    result->setWordWrap(true);
    return result;
}

}  // namespace

CSplitJoinDlg::CSplitJoinDlg(IMessageBoxes& boxes, IFileDialogs& fileDialogs, IDrives& drives,
                             std::function<void()> beep, QWidget* parent)
    : QDialog(parent),
      m_boxes(boxes),
      m_fileDialogs(fileDialogs),
      m_drivesSource(drives),
      m_beep(std::move(beep)),
      m_drives(new QComboBox(this)),
      m_tree(new DirectoryTree(DotDirectories::Hidden, this)),
      m_fileList(new SelectionListBox(this)),
      m_joinList(new SelectionListBox(this)),
      m_clear(new QPushButton(QStringLiteral("&Clear List >"), this)),
      m_add(new QPushButton(QStringLiteral("&Add ----->"), this)),
      m_remove(new QPushButton(QStringLiteral("&Remove <"), this)),
      m_split(new QPushButton(QStringLiteral("&SPLIT"), this)),
      m_join(new QPushButton(QStringLiteral("&JOIN"), this)),
      m_quit(new QPushButton(QStringLiteral("&Quit"), this)),
      m_chunkButtons{new QRadioButton(QStringLiteral("720 K"), this), new QRadioButton(QStringLiteral("1200 K"), this),
                     new QRadioButton(QStringLiteral("1.44 MB"), this), new QRadioButton(QStringLiteral("Custom"), this)},
      m_customLabel(new QLabel(QStringLiteral("Custom chunk size in"), this)),
      m_bytesLabel(new QLabel(QStringLiteral("bytes:"), this)),
      m_customSize(new QLineEdit(this)),
      m_status(new QLineEdit(this)),
      m_progress(new QProgressBar(this))
{
    setWindowTitle(QStringLiteral("Split or Join files..."));
    m_customSize->setMaxLength(kCustomSizeMaxChars);
    m_status->setReadOnly(true);
    m_progress->setRange(0, kProgressSteps);
    m_progress->setValue(0);
    m_progress->setAccessibleName(QStringLiteral("Progress of the last operation"));
    m_tree->setAccessibleName(QStringLiteral("Directories"));
    m_fileList->setAccessibleName(QStringLiteral("Files of the selected directory"));
    m_joinList->setAccessibleName(QStringLiteral("Files to join, first to last"));
    m_fileList->setHorizontalExtent(1000);
    m_joinList->setHorizontalExtent(2000);
    m_quit->setAutoDefault(false);
    for (QPushButton* button : {m_clear, m_add, m_remove, m_split, m_join})
        button->setAutoDefault(false);
    buildLayout();
    connectControls();
}

void CSplitJoinDlg::buildLayout()
{
    auto* drivesLabel = new QLabel(QStringLiteral("<-- Change Drives"), this);
    drivesLabel->setBuddy(m_drives);
    m_drives->setAccessibleName(drivesLabel->text());
    auto* statusLabel = new QLabel(QStringLiteral("--Last operation status"), this);
    statusLabel->setBuddy(m_status);
    m_status->setAccessibleName(statusLabel->text());
    m_customSize->setAccessibleName(QStringLiteral("Custom chunk size in bytes:"));
    m_customLabel->setBuddy(m_customSize);

    auto* listButtons = new QVBoxLayout;
    listButtons->addStretch();
    for (QPushButton* button : {m_clear, m_add, m_remove})
        listButtons->addWidget(button);
    listButtons->addStretch();

    auto* chunkGroup = new QGroupBox(QStringLiteral("Chunk Sizes for file Spliting:"), this);
    auto* chunkLayout = new QGridLayout(chunkGroup);
    for (int choice = 0; choice < 4; ++choice)
        chunkLayout->addWidget(m_chunkButtons[choice], 0, choice);
    auto* customRow = new QHBoxLayout;
    customRow->addWidget(m_customLabel);
    customRow->addWidget(m_customSize, 1);
    customRow->addWidget(m_bytesLabel);
    chunkLayout->addLayout(customRow, 1, 0, 1, 4);

    auto* actionButtons = new QVBoxLayout;
    for (QPushButton* button : {m_split, m_join, m_quit})
        actionButtons->addWidget(button);

    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(m_status, 2);
    statusRow->addWidget(m_progress, 1);
    statusRow->addWidget(statusLabel);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_drives, 0, 0);
    grid->addWidget(drivesLabel, 0, 1, 1, 3);
    grid->addWidget(m_tree, 1, 0);
    grid->addWidget(m_fileList, 1, 1);
    grid->addLayout(listButtons, 1, 2);
    grid->addWidget(m_joinList, 1, 3);
    grid->addWidget(chunkGroup, 2, 0, 1, 2);
    grid->addLayout(actionButtons, 2, 2, 1, 2, Qt::AlignLeft);
    grid->addLayout(statusRow, 3, 0, 1, 4);
    grid->addWidget(label("Numbered extensions will be added to the end of a split file: \"Filename.001...\"", this),
                    4, 0, 1, 4);
    grid->addWidget(label("\"Filename\" is the name you supply in the Save As dialog.", this), 5, 0, 1, 4);
    grid->addWidget(label("Please make sure selected files are in the order from Top (first) to Bottom (last).", this),
                    6, 0, 1, 4);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(0, 2);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(3, 3);
    resize(820, 560);
}

void CSplitJoinDlg::connectControls()
{
    m_tree->onSelectionChanged = [this](const std::string& path) { OnTreeSelChanged(path); };
    connect(m_drives, &QComboBox::activated, this, [this](int index) { OnDriveChange(index); });
    connect(m_add, &QPushButton::clicked, this, [this] { OnAdd(); });
    connect(m_remove, &QPushButton::clicked, this, [this] { OnRemove(); });
    connect(m_clear, &QPushButton::clicked, this, [this] { OnClearList(); });
    connect(m_split, &QPushButton::clicked, this, [this] { OnSplit(); });
    connect(m_join, &QPushButton::clicked, this, [this] { OnJoin(); });
    connect(m_quit, &QPushButton::clicked, this, &CSplitJoinDlg::reject);
    // A button checked by the keyboard or an assistive tool counts as much as a click.
    for (int choice = 0; choice < 3; ++choice)
        connect(m_chunkButtons[choice], &QRadioButton::toggled, this, [this](bool checked) {
            if (checked && !m_pushing)
                OnFixedSize();
        });
    connect(m_chunkButtons[ChunkCustom], &QRadioButton::toggled, this, [this](bool checked) {
        if (checked && !m_pushing)
            OnCustomSize();
    });
    connect(m_customSize, &QLineEdit::textChanged, this, [this] { OnCustomSizeChange(); });
}

int CSplitJoinDlg::DoModal()
{
    OnInitDialog();
    return exec();
}

void CSplitJoinDlg::OnInitDialog()
{
    const std::string current = m_drivesSource.currentRoot();
    fillDriveList(*m_drives, m_drivesSource.roots(), current);
    m_strDrive = rootFolder(current);
    m_strCurDir = m_strDrive;
    FillTree();
    if (!m_startFolder.empty())
        m_tree->selectFolder(m_startFolder);
    m_nChunkChoice = Chunk720K;
    m_strCustomSize = "1740000";
    setCustomSizeEnabled(false);
    setStatus(kStatusOpened);
    UpdateData(false);
}

void CSplitJoinDlg::setCopyOptions(std::size_t bufferBytes, bool kernelCopy)
{
    m_bufferBytes = bufferBytes;
    m_kernelCopy = kernelCopy;
}

void CSplitJoinDlg::UpdateData(bool saveAndValidate)
{
    if (saveAndValidate) {
        m_nChunkChoice = -1;
        for (int choice = 0; choice < 4; ++choice)
            if (m_chunkButtons[choice]->isChecked())
                m_nChunkChoice = choice;
        m_strCustomSize = m_customSize->text().toStdString();
        return;
    }
    m_pushing = true;
    for (int choice = 0; choice < 4; ++choice)
        m_chunkButtons[choice]->setChecked(choice == m_nChunkChoice);
    if (m_customSize->text().toStdString() != m_strCustomSize)
        m_customSize->setText(QString::fromStdString(m_strCustomSize));
    m_pushing = false;
}

void CSplitJoinDlg::FillTree()
{
    m_tree->FillTree(m_strDrive);
    m_strCurDir = m_strDrive;
}

void CSplitJoinDlg::OnTreeSelChanged(const std::string& path)
{
    m_strCurDir = path;
    FillFileList();
}

void CSplitJoinDlg::FillFileList()
{
    m_fileList->resetContent();
    int error = 0;
    m_fileNames = listFiles(m_strCurDir, &error);
    if (error != 0) {
        // An empty list alone would read as an empty folder.
        setStatus(kStatusFileError);
        m_boxes.show({"File Error:", "Cannot read the folder " + m_strCurDir + reasonLine(error), MessageIcon::Stop,
                      MessageButtons::Ok});
    }
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(m_fileNames.size()));
    for (const std::string& name : m_fileNames)
        texts.append(QFile::decodeName(QByteArray::fromStdString(name)));
    m_fileList->addEntries(texts);
    UpdateData(false);
}

void CSplitJoinDlg::OnDriveChange(int index)
{
    const std::string saved = m_strCurDir;
    const int previous = driveIndexHolding(*m_drives, saved);
    const std::string root = driveAt(*m_drives, index);
    if (root.empty())
        return;
    m_strCurDir = rootFolder(root);
    if (m_drivesSource.makeCurrent(root)) {
        m_strDrive = rootFolder(root);
        FillTree();
    } else {
        m_strCurDir = saved;
        m_drives->setCurrentIndex(previous);
    }
}

void CSplitJoinDlg::OnAdd()
{
    const std::vector<int> rows = m_fileList->selectedRows();
    if (rows.empty()) {
        m_boxes.show({"Error:", "No file selected from the list box on the left!", MessageIcon::Exclamation,
                      MessageButtons::Ok});
        return;
    }
    QStringList texts;
    for (const int row : rows) {
        m_joinPaths.push_back(m_strCurDir + m_fileNames[static_cast<std::size_t>(row)]);
        texts.append(QFile::decodeName(QByteArray::fromStdString(m_joinPaths.back())));
    }
    m_joinList->addEntries(texts);
    setStatus("File(s) Added.");
}

void CSplitJoinDlg::OnRemove()
{
    const std::vector<int> rows = m_joinList->selectedRows();
    if (rows.empty()) {
        m_boxes.show({"Error:", "No file selected from the list box on the right!", MessageIcon::Exclamation,
                      MessageButtons::Ok});
        return;
    }
    const int last = rows.back();
    const bool lastWasFinal = last == m_joinList->count() - 1;
    if (!lastWasFinal)
        m_joinList->setRowSelected(last + 1, true);
    m_joinList->deleteRows(rows);
    for (auto row = rows.rbegin(); row != rows.rend(); ++row)
        m_joinPaths.erase(m_joinPaths.begin() + *row);
    if (lastWasFinal && m_joinList->count() > 0)
        m_joinList->setRowSelected(m_joinList->count() - 1, true);
    setStatus(" Removed");
}

void CSplitJoinDlg::OnClearList()
{
    m_joinList->resetContent();
    m_joinPaths.clear();
    setStatus("List Cleared.");
}

void CSplitJoinDlg::OnFixedSize()
{
    UpdateData(true);
    setCustomSizeEnabled(false);
}

void CSplitJoinDlg::OnCustomSize()
{
    UpdateData(true);
    setCustomSizeEnabled(true);
}

void CSplitJoinDlg::OnCustomSizeChange()
{
    if (m_pushing)
        return;
    const int start = m_customSize->cursorPosition();
    const std::string saved = m_strCustomSize;
    UpdateData(true);
    const bool digitsOnly = std::all_of(m_strCustomSize.begin(), m_strCustomSize.end(),
                                        [](char c) { return c >= '0' && c <= '9'; });
    if (digitsOnly)
        return;
    m_strCustomSize = saved;
    UpdateData(false);
    if (m_beep)
        m_beep();
    m_customSize->setCursorPosition(std::max(start - 1, 0));
}

void CSplitJoinDlg::setCustomSizeEnabled(bool enabled)
{
    m_customLabel->setEnabled(enabled);
    m_bytesLabel->setEnabled(enabled);
    m_customSize->setEnabled(enabled);
}

void CSplitJoinDlg::setStatus(const std::string& text)
{
    m_status->setText(QString::fromStdString(text));
}

void CSplitJoinDlg::showProgress(std::uint64_t done, std::uint64_t total)
{
    const int value = total == 0 ? kProgressSteps
                                 : static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * kProgressSteps);
    if (value == m_progress->value())
        return;
    m_progress->setValue(value);
    // Paint the bar now and then; clicks and keys wait (they are dropped when the work ends).
    if (value == kProgressSteps || !m_sinceRepaint.isValid() || m_sinceRepaint.elapsed() >= kRepaintMilliseconds) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        m_sinceRepaint.restart();
    }
}

void CSplitJoinDlg::runBusy(const std::function<void(const SplitJoinHost&)>& work)
{
    const SplitJoinHost host{m_boxes,
                             m_fileDialogs,
                             [this](const std::string& status) { setStatus(status); },
                             [this](std::uint64_t done, std::uint64_t total) { showProgress(done, total); },
                             m_bufferBytes,
                             m_kernelCopy};
    QWidget* const controls[] = {m_drives, m_tree, m_fileList, m_joinList, m_clear, m_add, m_remove,
                                 m_split, m_join, m_quit, m_chunkButtons[0], m_chunkButtons[1],
                                 m_chunkButtons[2], m_chunkButtons[3], m_customSize};
    std::vector<bool> wasEnabled;
    for (QWidget* control : controls) {
        wasEnabled.push_back(control->isEnabled());
        control->setEnabled(false);
    }
    m_busy = true;
    m_progress->setValue(0);
    m_sinceRepaint.invalidate();
    work(host);
    // Clicks and keys that came while the work ran reach disabled controls and are dropped.
    QCoreApplication::processEvents();
    for (std::size_t i = 0; i < std::size(controls); ++i)
        controls[i]->setEnabled(wasEnabled[i]);
    m_busy = false;
}

void CSplitJoinDlg::OnSplit()
{
    UpdateData(true);
    runBusy([this](const SplitJoinHost& host) { splitFile(host, m_strCurDir, m_nChunkChoice, m_strCustomSize); });
    // The chunks just written can be added and joined at once.
    FillFileList();
}

void CSplitJoinDlg::OnJoin()
{
    UpdateData(true);
    runBusy([this](const SplitJoinHost& host) { joinFiles(host, m_strCurDir, m_joinPaths); });
    FillFileList();
}

void CSplitJoinDlg::reject()
{
    if (!m_busy)
        QDialog::reject();
}

void CSplitJoinDlg::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (!enter || m_busy || modifiers != Qt::NoModifier) {
        QDialog::keyPressEvent(event);
        return;
    }
    QWidget* focus = focusWidget();
    if (focus == m_customSize) {
        event->accept();
        return;
    }
    if (auto* button = qobject_cast<QPushButton*>(focus)) {
        button->click();
        return;
    }
    accept();
}

void CSplitJoinDlg::closeEvent(QCloseEvent* event)
{
    if (m_busy)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

}  // namespace quillory
