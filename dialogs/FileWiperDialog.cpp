#include "dialogs/FileWiperDialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>
#include <algorithm>
#include <ctime>

namespace quillory {

namespace {

constexpr int kEventsEveryMilliseconds = 50;  // how often a running wipe looks for Stop

// A label; a long one wraps, so that the dialog fits a small screen.
QLabel* label(const char* text, QWidget* parent, bool wrap = false)
{
    auto* result = new QLabel(QString::fromUtf8(text), parent);
    result->setWordWrap(wrap);
    return result;
}

// Makes an edit wide enough to show `digits` digits whole.
void fitDigits(QLineEdit* edit, int digits)
{
    const int text = edit->fontMetrics().horizontalAdvance(QString(digits + 1, QLatin1Char('0')));
    const QMargins margins = edit->textMargins() + edit->contentsMargins();
    edit->setMinimumWidth(text + margins.left() + margins.right() + 12);
}

// A field the user reads but does not type in.
QLineEdit* displayField(const QString& name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setAccessibleName(name);
    return edit;
}

// Sets an edit's text without cutting it: a limit only bounds what the user types, so a longer
// number the program writes (the length of a file of 100 GB or more) is shown whole.
void setFieldText(QLineEdit* edit, const std::string& text, int limit = 0)
{
    const QString value = QString::fromStdString(text);
    if (limit > 0)
        edit->setMaxLength(std::max<int>(limit, static_cast<int>(value.size())));
    if (edit->text() != value)
        edit->setText(value);
}

}  // namespace

FileWiperDialog::FileWiperDialog(IMessageBoxes& boxes, IFileDialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_logic(boxes, dialogs)
{
    setWindowTitle(QStringLiteral("File Wiper (NOT just a simple deleting command) !!!"));
    buildControls();
    m_logic.setProgressListener([this](int permille) { showProgress(permille); });

    m_logic.onInitDialog(static_cast<std::uint32_t>(std::time(nullptr)));
    applyCustomControlsRule();
    refreshControls();
}

void FileWiperDialog::buildControls()
{
    m_select = new QPushButton(QStringLiteral("Click here first to select a file!"), this);
    m_select->setAutoDefault(false);
    m_fileName = displayField(QStringLiteral("Selected file"), this);
    m_length = displayField(QStringLiteral("Selected file's length:"), this);
    m_length->setMaxLength(kWipeLengthMaxChars);
    m_wipe = new QPushButton(QStringLiteral("&WIPE/Resize"), this);
    m_wipe->setAutoDefault(false);
    m_status = displayField(QStringLiteral("Status"), this);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setAccessibleName(QStringLiteral("Progress"));
    m_rename = new QPushButton(QStringLiteral("Random Rename"), this);
    m_rename->setAutoDefault(false);
    m_stop = new QPushButton(QStringLiteral("&Stop"), this);
    m_stop->setAutoDefault(false);
    m_stop->setEnabled(false);
    m_quit = new QPushButton(QStringLiteral("QUIT"), this);
    m_quit->setDefault(true);
    QGroupBox* basic = buildMethodGroup();
    buildCustomGroup();
    layOut(basic);
    connectControls();
}

QGroupBox* FileWiperDialog::buildMethodGroup()
{
    auto* basic = new QGroupBox(QStringLiteral("Basic wipe options:"), this);
    m_methods = new QButtonGroup(this);
    auto* layout = new QGridLayout(basic);
    const char* methods[] = {"Standard fast wipe", "Government wipe", "Custom..."};
    const char* notes[] = {"(Null char; value of 0)", "(1's and z's three times, then the value 235 once)", nullptr};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(methods[i]), basic);
        m_methods->addButton(radio, i);
        layout->addWidget(radio, i, 0);
        if (notes[i] != nullptr)
            layout->addWidget(label(notes[i], basic), i, 1);
    }
    layout->setColumnStretch(1, 1);
    return basic;
}

void FileWiperDialog::buildCustomGroup()
{
    m_customGroup = new QGroupBox(QStringLiteral("Custom options:"), this);
    const auto labelledEdit = [this](const char* text, int limit, QLabel*& labelOut, QLineEdit*& editOut) {
        labelOut = label(text, m_customGroup);
        editOut = new QLineEdit(m_customGroup);
        editOut->setMaxLength(limit);
        editOut->setAccessibleName(labelOut->text());
        labelOut->setBuddy(editOut);
    };
    labelledEdit("Overwrite Value: (0 ... 255)", kWipeValueMaxChars, m_valueLabel, m_value);
    labelledEdit("Repeats:", kWipeRepeatsMaxChars, m_repeatsLabel, m_repeats);
    labelledEdit("Resize file to...", kWipeResizeMaxChars, m_resizeLabel, m_resizeTo);
    fitDigits(m_value, kWipeValueMaxChars);
    fitDigits(m_repeats, kWipeRepeatsMaxChars);
    fitDigits(m_resizeTo, kWipeResizeMaxChars);
    auto* layout = new QGridLayout(m_customGroup);
    layout->addWidget(m_valueLabel, 0, 0);
    layout->addWidget(m_value, 0, 1);
    layout->addWidget(m_repeatsLabel, 1, 0);
    layout->addWidget(m_repeats, 1, 1);
    m_actions = new QButtonGroup(this);
    const char* actions[] = {"Overwrite && Delete", "Overwrite only", "Resize only"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(actions[i]), m_customGroup);
        m_actions->addButton(radio, i);
        layout->addWidget(radio, 2 + i, 0, 1, 2);
    }
    layout->addWidget(m_resizeLabel, 5, 0);
    layout->addWidget(m_resizeTo, 5, 1);
}

void FileWiperDialog::layOut(QGroupBox* basic)
{
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_select);
    fileRow->addWidget(m_fileName, 1);
    auto* lengthRow = new QHBoxLayout;
    lengthRow->addWidget(label("Selected file's length:", this));
    fitDigits(m_length, kWipeLengthMaxChars);
    lengthRow->addWidget(m_length);
    lengthRow->addWidget(label("bytes", this));
    lengthRow->addStretch(1);
    auto* left = new QVBoxLayout;
    left->addWidget(basic);
    left->addWidget(label("Both Standard and Government wipe will overwrite the file with the indicate character/ "
                          "decimal value, truncates the file's length to 0, and then delete the file.  "
                          "The \"Wipe now!\" button",
                          this, true));
    left->addWidget(label("can executes either the default or custom commands.", this, true));
    left->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addLayout(left, 1);
    middle->addWidget(m_customGroup);
    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(m_status, 1);
    statusRow->addWidget(m_progress, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_wipe);
    buttons->addWidget(m_rename);
    buttons->addWidget(m_stop);
    buttons->addStretch(1);
    buttons->addWidget(m_quit);
    auto* all = new QVBoxLayout(this);
    all->addLayout(fileRow);
    all->addLayout(lengthRow);
    all->addLayout(middle);
    all->addWidget(label("WARNING:  It will be impossible to recover a wiped file.  Use with caution!", this, true));
    all->addLayout(statusRow);
    all->addLayout(buttons);
}

void FileWiperDialog::connectControls()
{
    connect(m_select, &QPushButton::clicked, this, [this] { handle([this] { m_logic.onSelectFile(); }); });
    connect(m_wipe, &QPushButton::clicked, this, [this] { onWipe(); });
    connect(m_rename, &QPushButton::clicked, this, [this] { handle([this] { m_logic.onRandomRename(); }); });
    connect(m_quit, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_stop, &QPushButton::clicked, this, [this] { m_stopRequested = true; });
    // Method choice and custom action: the custom controls follow the checked button, however it
    // came to be checked (mouse, keyboard or an assistive tool).
    const auto followChoice = [this](int, bool checked) {
        if (!checked || m_pushing)
            return;
        readControls();
        applyCustomControlsRule();
    };
    connect(m_methods, &QButtonGroup::idToggled, this, followChoice);
    connect(m_actions, &QButtonGroup::idToggled, this, followChoice);
    // Every change of an edit's text is checked, typed or set; writing the fields back is not.
    const auto onChange = [this](QLineEdit* edit, void (FileWiperLogic::*check)()) {
        connect(edit, &QLineEdit::textChanged, this, [this, check] {
            if (!m_pushing)
                handle([this, check] { (m_logic.*check)(); });
        });
    };
    onChange(m_value, &FileWiperLogic::onValueChanged);
    onChange(m_repeats, &FileWiperLogic::onRepeatsChanged);
    onChange(m_resizeTo, &FileWiperLogic::onResizeChanged);
}

QRadioButton* FileWiperDialog::methodRadio(int method) const
{
    return qobject_cast<QRadioButton*>(m_methods->button(method));
}

QRadioButton* FileWiperDialog::actionRadio(int action) const
{
    return qobject_cast<QRadioButton*>(m_actions->button(action));
}

void FileWiperDialog::readControls()
{
    FileWiperFields& f = m_logic.fields();
    f.valueText = m_value->text().toStdString();
    f.repeatsText = m_repeats->text().toStdString();
    f.resizeToText = m_resizeTo->text().toStdString();
    f.wipeMethod = m_methods->checkedId();
    f.customAction = m_actions->checkedId();
}

void FileWiperDialog::refreshControls()
{
    const QScopedValueRollback<bool> pushing(m_pushing, true);
    const FileWiperFields& f = m_logic.fields();
    // Paths are bytes; the field shows them as the file dialogs do.
    const QString fileName = QString::fromLocal8Bit(f.fileName.data(), static_cast<qsizetype>(f.fileName.size()));
    if (m_fileName->text() != fileName)
        m_fileName->setText(fileName);
    setFieldText(m_length, f.lengthText, kWipeLengthMaxChars);
    setFieldText(m_status, f.status);
    setFieldText(m_value, f.valueText);
    setFieldText(m_repeats, f.repeatsText);
    setFieldText(m_resizeTo, f.resizeToText, kWipeResizeMaxChars);
    if (QAbstractButton* method = m_methods->button(f.wipeMethod))
        method->setChecked(true);
    if (QAbstractButton* action = m_actions->button(f.customAction))
        action->setChecked(true);
}

void FileWiperDialog::applyCustomControlsRule()
{
    const CustomControlStates states = customControlStates(m_logic.fields());
    m_customGroup->setEnabled(states.groupBox);
    for (QAbstractButton* radio : m_actions->buttons())
        radio->setEnabled(states.actionRadios);
    for (QWidget* widget : {static_cast<QWidget*>(m_valueLabel), static_cast<QWidget*>(m_value),
                            static_cast<QWidget*>(m_repeatsLabel), static_cast<QWidget*>(m_repeats)})
        widget->setEnabled(states.valueAndRepeats);
    m_resizeLabel->setEnabled(states.resize);
    m_resizeTo->setEnabled(states.resize);
}

template <typename Handler>
void FileWiperDialog::handle(Handler handler)
{
    readControls();
    handler();
    refreshControls();
}

void FileWiperDialog::onWipe()
{
    // Only Stop (and Escape) stays usable while the passes run.
    std::vector<QWidget*> disabled;
    for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (control != m_stop && control != m_progress && control->isEnabled()) {
            control->setEnabled(false);
            disabled.push_back(control);
        }
    m_busy = true;
    m_stopRequested = false;
    m_stop->setEnabled(true);
    m_progress->setValue(0);
    m_sinceEvents.invalidate();
    WipeHooks hooks = m_hooks;
    hooks.stopRequested = [this, outer = m_hooks.stopRequested] {
        // The Stop button is clicked in the event loop, looked at every piece (repaints as well).
        if (!m_sinceEvents.isValid() || m_sinceEvents.elapsed() >= kEventsEveryMilliseconds) {
            QCoreApplication::processEvents();
            m_sinceEvents.restart();
        }
        return m_stopRequested || (outer && outer());
    };
    m_logic.setHooks(hooks);
    handle([this] { m_logic.onWipe(); });
    m_logic.setHooks(m_hooks);
    m_stop->setEnabled(false);
    m_busy = false;
    for (QWidget* control : disabled)
        control->setEnabled(true);
    applyCustomControlsRule();
}

void FileWiperDialog::setHooks(WipeHooks hooks)
{
    m_hooks = std::move(hooks);
    m_logic.setHooks(m_hooks);
}

void FileWiperDialog::showProgress(int permille)
{
    m_progress->setValue(std::clamp(permille, 0, 1000));
    setFieldText(m_status, m_logic.fields().status);
    // Repaints, and the Stop button or Escape: every other control is disabled meanwhile.
    QCoreApplication::processEvents();
    m_sinceEvents.restart();
}

void FileWiperDialog::keyPressEvent(QKeyEvent* event)
{
    if (m_busy && event->key() == Qt::Key_Escape) {
        m_stopRequested = true;
        return;
    }
    QDialog::keyPressEvent(event);
}

void FileWiperDialog::done(int result)
{
    if (m_busy)
        return;
    QDialog::done(result);
}

}  // namespace quillory
