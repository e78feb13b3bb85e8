#include "dialogs/SplitJoinDialog.h"

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
#include <QScopedValueRollback>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/DirectoryTree.h"
#include "dialogs/DriveList.h"
#include "dialogs/SelectionListBox.h"
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

SplitJoinDialog::SplitJoinDialog(IMessageBoxes& boxes, IFileDialogs& fileDialogs, IDrives& drives,
                                 std::function<void()> beep, QWidget* parent)
    : QDialog(parent),
      m_logic(boxes, fileDialogs, drives),
      m_beep(std::move(beep)),
      m_driveList(new QComboBox(this)),
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
                     new QRadioButton(QStringLiteral("1.44 MB"), this),
                     new QRadioButton(QStringLiteral("Custom"), this)},
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
    listenToLogic();
}

void SplitJoinDialog::buildLayout()
{
    auto* drivesLabel = new QLabel(QStringLiteral("<-- Change Drives"), this);
    drivesLabel->setBuddy(m_driveList);
    m_driveList->setAccessibleName(drivesLabel->text());
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
    grid->addWidget(m_driveList, 0, 0);
    grid->addWidget(drivesLabel, 0, 1, 1, 3);
    grid->addWidget(m_tree, 1, 0);
    grid->addWidget(m_fileList, 1, 1);
    grid->addLayout(listButtons, 1, 2);
    grid->addWidget(m_joinList, 1, 3);
    grid->addWidget(chunkGroup, 2, 0, 1, 2);
    grid->addLayout(actionButtons, 2, 2, 1, 2, Qt::AlignLeft);
    grid->addLayout(statusRow, 3, 0, 1, 4);
    grid->addWidget(label("Numbered extensions will be added to the end of a split file: \"Filename.001...\"", this), 4,
                    0, 1, 4);
    grid->addWidget(label("\"Filename\" is the name you supply in the Save As dialog.", this), 5, 0, 1, 4);
    grid->addWidget(label("Please make sure selected files are in the order from Top (first) to Bottom (last).", this),
                    6, 0, 1, 4);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(0, 2);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(3, 3);
    resize(820, 560);
}

void SplitJoinDialog::connectControls()
{
    m_tree->onSelectionChanged = [this](const std::string& path) { m_logic.onFolderSelected(path); };
    connect(m_driveList, &QComboBox::activated, this, [this](int index) { onDriveChosen(index); });
    connect(m_add, &QPushButton::clicked, this, [this] { onAdd(); });
    connect(m_remove, &QPushButton::clicked, this, [this] { onRemove(); });
    connect(m_clear, &QPushButton::clicked, this, [this] {
        m_joinList->resetContent();
        m_logic.onClearList();
    });
    connect(m_split, &QPushButton::clicked, this, [this] { m_logic.onSplit(); });
    connect(m_join, &QPushButton::clicked, this, [this] { m_logic.onJoin(); });
    connect(m_quit, &QPushButton::clicked, this, &SplitJoinDialog::reject);
    // A button checked by the keyboard or an assistive tool counts as much as a click.
    for (int choice = 0; choice < 4; ++choice)
        connect(m_chunkButtons[choice], &QRadioButton::toggled, this, [this, choice](bool checked) {
            if (!checked || m_pushing)
                return;
            m_logic.onChunkChoice(choice);
            showChunkChoice();
        });
    connect(m_customSize, &QLineEdit::textChanged, this, [this] { onCustomSizeEdited(); });
}

void SplitJoinDialog::listenToLogic()
{
    SplitJoinListeners listeners;
    listeners.fileListChanged = [this] { showFileList(); };
    listeners.statusChanged = [this](const std::string& status) { m_status->setText(QString::fromStdString(status)); };
    listeners.progress = [this](std::uint64_t done, std::uint64_t total) { showProgress(done, total); };
    listeners.runBusy = [this](const std::function<void()>& work) { runBusy(work); };
    m_logic.setListeners(std::move(listeners));
}

int SplitJoinDialog::runModal()
{
    onInitDialog();
    return exec();
}

void SplitJoinDialog::onInitDialog()
{
    m_logic.openCurrentDrive();
    fillDriveList(*m_driveList, m_logic.driveRoots(), m_logic.driveRoot());
    m_tree->fillTree(m_logic.driveFolder());
    if (!m_logic.startFolder().empty())
        m_tree->selectFolder(m_logic.startFolder());
    m_logic.onInitDialog();
    showChunkChoice();
}

void SplitJoinDialog::showFileList()
{
    if (m_logic.fileNames().empty()) {
        m_fileList->resetContent();
    } else {
        QStringList texts;
        texts.reserve(static_cast<qsizetype>(m_logic.fileNames().size()));
        for (const std::string& name : m_logic.fileNames())
            texts.append(QFile::decodeName(QByteArray::fromStdString(name)));
        m_fileList->addEntries(texts);
    }
    showChunkChoice();
}

void SplitJoinDialog::showChunkChoice()
{
    {
        const QScopedValueRollback<bool> pushing(m_pushing, true);
        for (int choice = 0; choice < 4; ++choice)
            m_chunkButtons[choice]->setChecked(choice == m_logic.chunkChoice());
        const QString customSize = QString::fromStdString(m_logic.customSize());
        if (m_customSize->text() != customSize)
            m_customSize->setText(customSize);
    }
    const bool enabled = m_logic.customSizeEnabled();
    m_customLabel->setEnabled(enabled);
    m_bytesLabel->setEnabled(enabled);
    m_customSize->setEnabled(enabled);
}

void SplitJoinDialog::onDriveChosen(int index)
{
    const int previous = driveIndexHolding(*m_driveList, m_logic.currentFolder());
    const std::string root = driveAt(*m_driveList, index);
    if (root.empty())
        return;
    if (m_logic.onDriveChosen(root))
        m_tree->fillTree(m_logic.driveFolder());
    else
        m_driveList->setCurrentIndex(previous);
}

void SplitJoinDialog::onAdd()
{
    const std::size_t before = m_logic.joinPaths().size();
    m_logic.onAdd(m_fileList->selectedRows());
    QStringList texts;
    for (std::size_t i = before; i < m_logic.joinPaths().size(); ++i)
        texts.append(QFile::decodeName(QByteArray::fromStdString(m_logic.joinPaths()[i])));
    if (!texts.isEmpty())
        m_joinList->addEntries(texts);
}

void SplitJoinDialog::onRemove()
{
    const JoinListRemoval removal = m_logic.onRemove(m_joinList->selectedRows());
    if (removal.rows.empty())
        return;
    if (removal.selectBefore >= 0)
        m_joinList->setRowSelected(removal.selectBefore, true);
    m_joinList->deleteRows(removal.rows);
    if (removal.selectLastAfter)
        m_joinList->setRowSelected(m_joinList->count() - 1, true);
}

void SplitJoinDialog::onCustomSizeEdited()
{
    if (m_pushing)
        return;
    const int start = m_customSize->cursorPosition();
    if (m_logic.onCustomSizeChanged(m_customSize->text().toStdString()))
        return;
    showChunkChoice();
    if (m_beep)
        m_beep();
    m_customSize->setCursorPosition(std::max(start - 1, 0));
}

void SplitJoinDialog::showProgress(std::uint64_t done, std::uint64_t total)
{
    const int value = total == 0
                          ? kProgressSteps
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

void SplitJoinDialog::runBusy(const std::function<void()>& work)
{
    QWidget* const controls[] = {m_driveList,
                                 m_tree,
                                 m_fileList,
                                 m_joinList,
                                 m_clear,
                                 m_add,
                                 m_remove,
                                 m_split,
                                 m_join,
                                 m_quit,
                                 m_chunkButtons[0],
                                 m_chunkButtons[1],
                                 m_chunkButtons[2],
                                 m_chunkButtons[3],
                                 m_customSize};
    std::vector<bool> wasEnabled;
    for (QWidget* control : controls) {
        wasEnabled.push_back(control->isEnabled());
        control->setEnabled(false);
    }
    m_busy = true;
    emit busyChanged(true);
    m_progress->setValue(0);
    m_sinceRepaint.invalidate();
    work();
    // Clicks and keys that came while the work ran reach disabled controls and are dropped.
    QCoreApplication::processEvents();
    for (std::size_t i = 0; i < std::size(controls); ++i)
        controls[i]->setEnabled(wasEnabled[i]);
    m_busy = false;
    emit busyChanged(false);
}

void SplitJoinDialog::reject()
{
    if (!m_busy)
        QDialog::reject();
}

void SplitJoinDialog::keyPressEvent(QKeyEvent* event)
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

void SplitJoinDialog::closeEvent(QCloseEvent* event)
{
    if (m_busy)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

}  // namespace quillory
