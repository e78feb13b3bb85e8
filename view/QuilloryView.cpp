// The view's creation, its display update, the status panes it keeps and the settings it reads.
#include "view/QuilloryView.h"

#include <QApplication>
#include <QPalette>
#include <QScreen>
#include <QHBoxLayout>
#include <QScopedValueRollback>
#include <cstring>
#include <new>

#include "commands/CommandIds.h"
#include "qtplatform/QtClipboard.h"
#include "view/HelpWindow.h"

namespace quillory {

ColorRef systemWindowColor()
{
    const QColor window = QApplication::palette().color(QPalette::Base);
    return makeColorRef(window.red(), window.green(), window.blue());
}

QuilloryView::QuilloryView(QuilloryDoc& document, ViewServices services, std::string commandLine, QWidget* parent)
    : QWidget(parent),
      m_document(document),
      m_services(std::move(services)),
      m_ownClipboard(m_services.clipboard == nullptr ? std::make_unique<QtClipboard>() : nullptr),
      m_clipboard(m_services.clipboard != nullptr ? m_services.clipboard : m_ownClipboard.get()),
      m_commandLine(std::move(commandLine)),
      m_control(new EditControl(this)),
      m_documentControl(*m_control)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_control, 1);
    setFocusProxy(m_control);
    m_control->setClipboard(m_clipboard);
    m_control->keyDownHook = [this](const KeyDown& key) { return onKeyDown(key); };
    m_control->charHook = [this](char32_t c) { return onChar(c); };

    // The control's own size with the default face, neither bold nor italic.
    m_charFormat = m_control->defaultCharFormat();
    m_charFormat.mask = kDefaultFontMask;
    m_charFormat.effects = 0;
    m_charFormat.setFaceName(kDefaultFaceName);
    m_control->setAutoWordSelection(false);
    m_wordWrap = true;
    m_background = systemWindowColor();
    m_commandLineFilePending = !m_commandLine.empty();
    m_document.setInsertMode(true);
    m_control->setDefaultCharFormat(m_charFormat);
    m_control->setBackgroundColor(m_background);
    m_document.attachView(this);
    m_document.setControl(&m_documentControl);
    registerCommands();
}

QuilloryView::~QuilloryView()
{
    m_document.detachView(this);
    m_document.setControl(nullptr);
}

void QuilloryView::setCharacterFormat(const CharFormat& format)
{
    m_charFormat = format;
    m_control->setDefaultCharFormat(m_charFormat);
}

void QuilloryView::setBackgroundColor(ColorRef color)
{
    m_background = color;
    m_control->setBackgroundColor(m_background);
}

void QuilloryView::setWordWrap(bool on)
{
    m_wordWrap = on;
    m_control->setWordWrap(on);
}

bool QuilloryView::onInitialUpdate()
{
    if (!m_commandLineFilePending) {
        onUpdate();
        return true;
    }
    // The command-line file is loaded by the first update, whose load updates the view again.
    m_commandLineFilePending = false;
    return m_document.loadStartupFile(m_commandLine);
}

void QuilloryView::onUpdate()
{
    // Panes beside the control take their place first, so that the control lays out the new text
    // once, at its new width.
    const QScopedValueRollback showing(m_showingDocument, true);
    emit documentAboutToShow();
    layout()->activate();
    const auto* bytes = reinterpret_cast<const char*>(m_document.storage().bytes());
    const auto length = static_cast<std::size_t>(m_document.storage().length());
    // The encoding first, so that the new text is laid out once, as what it is. Should the
    // control lack the memory for the new text, it keeps the old one, shown as before.
    const TextEncoding shown = m_control->encoding();
    m_control->setEncoding(isBinary() ? TextEncoding::Windows1252 : m_document.encoding());
    try {
        if (bytes != nullptr && !isBinary()) {
            // A TEXT document's block is released as soon as the view has it, so the control takes
            // it over instead of copying: a large file is then held once, not twice.
            // Its bytes stay where they lie: the room before them is the control's first gap.
            std::int32_t offset = 0;
            HeapBlock block = m_document.takeBlock(offset);
            m_control->adoptWindowText(std::move(block), length, static_cast<std::size_t>(offset));
        } else if (m_document.hasDisplayBlock()) {
            // A loaded BINARY file's display copy was made beside its true bytes.
            std::size_t offset = 0;
            HeapBlock block = m_document.takeDisplayBlock(offset);
            m_control->adoptWindowText(std::move(block), length, offset);
        } else {
            m_control->setText(bytes != nullptr ? std::string_view(bytes, length) : std::string_view());
        }
    } catch (const std::bad_alloc&) {
        m_control->setEncoding(shown);
        throw;
    }
    showFontPane();
    setPane(StatusPane::Mode, isBinary() ? QStringLiteral("BINARY") : QStringLiteral(" TEXT "));
    setPane(StatusPane::InsertMode, m_document.insertMode() ? QStringLiteral("INS") : QStringLiteral("OVR"));
    showEncoding();
    m_control->setModified(false);
    m_control->emptyUndoBuffer();
    m_control->setOverwriteMode(!m_document.insertMode());
    m_control->takeFocus();
    emit documentShown();
}

bool QuilloryView::runLongWork(std::int64_t bytes, const std::string& title,
                               const std::function<void(WorkProgress&)>& work)
{
    return quillory::runLongWork(longWork(), bytes, title, work);
}

void QuilloryView::addSidePane(QWidget* pane)
{
    static_cast<QHBoxLayout*>(layout())->insertWidget(0, pane);
}

void QuilloryView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_control->takeFocus();
}

void QuilloryView::setPane(StatusPane pane, const QString& text) const
{
    if (m_services.setPaneText)
        m_services.setPaneText(pane, text);
}

void QuilloryView::showFontPane() const
{
    setPane(StatusPane::Font, QStringLiteral("Font: ") + QString::fromStdString(m_charFormat.faceName()));
}

void QuilloryView::showEncoding()
{
    m_control->setEncoding(isBinary() ? TextEncoding::Windows1252 : m_document.encoding());
    QString name;
    if (!isBinary())
        name = m_document.encoding() == TextEncoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Windows-1252");
    setPane(StatusPane::Encoding, name);
}

void QuilloryView::onEncoding(TextEncoding encoding)
{
    if (isBinary())
        return;
    m_document.setEncoding(encoding);
    showEncoding();
    m_control->takeFocus();
}

void QuilloryView::beep() const
{
    if (m_services.beep)
        m_services.beep();
}

void QuilloryView::registerCommands()
{
    using namespace cmd;
    CommandTarget& c = m_commands;
    const auto hasSelection = [this] { return m_control->selectionStart() != m_control->selectionEnd(); };

    c.onCommand(ID_EDIT_CLEAR, [this] { onEditDelete(); });
    c.onCommand(ID_EDIT_COPY, [this] { onEditCopy(); });
    c.onUpdate(ID_EDIT_COPY, [hasSelection](CommandUpdate& ui) { ui.enable(hasSelection()); });
    c.onCommand(ID_EDIT_CUT, [this] { onEditCut(); });
    c.onUpdate(ID_EDIT_CUT, [hasSelection](CommandUpdate& ui) { ui.enable(hasSelection()); });
    c.onCommand(ID_EDIT_PASTE, [this] { onEditPaste(); });
    c.onUpdate(ID_EDIT_PASTE, [this](CommandUpdate& ui) {
        ui.enable(isBinary() ? m_document.hasPrivateClip() : m_control->canPaste());
    });
    c.onCommand(ID_EDIT_UNDO, [this] { onEditUndo(); });
    c.onUpdate(ID_EDIT_UNDO, [this](CommandUpdate& ui) {
        ui.enable((!isBinary() && m_control->canUndo()) || m_document.canUndoBytes());
    });
    c.onCommand(ID_FREE_CLIPBOARD, [this] { onFreeClipboard(); });
    c.onCommand(ID_FREE_UNDO, [this] { onFreeUndoBuffer(); });
    c.onUpdate(ID_FREE_STORAGE, [this](CommandUpdate& ui) { ui.enable(isBinary()); });

    c.onCommand(ID_WORD_WRAP, [this] { onWordWrap(); });
    c.onUpdate(ID_WORD_WRAP, [this](CommandUpdate& ui) { ui.setCheck(m_wordWrap); });
    c.onCommand(ID_SELECT_FONTS, [this] { onSelectFonts(); });
    c.onCommand(ID_FONTS_COLOR, [this] { onFontColor(); });
    c.onCommand(ID_BACKGROUND_COLOR, [this] { onBackgroundColor(); });
    c.onCommand(ID_HELP_CONTENTS, [this] { onHelpContents(); });
    for (const auto& choice : {std::pair{ID_ENCODING_UTF8, TextEncoding::Utf8},
                               std::pair{ID_ENCODING_WINDOWS_1252, TextEncoding::Windows1252}}) {
        const int id = choice.first;
        const TextEncoding encoding = choice.second;
        c.onCommand(id, [this, encoding] { onEncoding(encoding); });
        c.onUpdate(id, [this, encoding](CommandUpdate& ui) {
            ui.enable(!isBinary());
            ui.setCheck(!isBinary() && m_document.encoding() == encoding);
        });
    }

    c.onCommand(ID_EDIT_SELECT_ALL, [this] { onEditSelectAll(); });
}

}  // namespace quillory
