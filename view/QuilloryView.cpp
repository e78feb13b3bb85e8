// The view's creation, its display update, the status panes it keeps and the settings it reads.
#include "view/QuilloryView.h"

#include <QApplication>
#include <QPalette>
#include <QScreen>
#include <QVBoxLayout>
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

QuilloryView::QuilloryView(QuilloryDoc& document, ViewServices services, std::string commandLine,
                             QWidget* parent)
    : QWidget(parent),
      m_document(document),
      m_services(std::move(services)),
      m_ownClipboard(m_services.clipboard == nullptr ? std::make_unique<QtClipboard>() : nullptr),
      m_clipboard(m_services.clipboard != nullptr ? m_services.clipboard : m_ownClipboard.get()),
      m_commandLine(std::move(commandLine)),
      m_control(new EditControl(this)),
      m_documentControl(*m_control)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_control);
    setFocusProxy(m_control);
    m_control->setClipboard(m_clipboard);
    m_control->keyDownHook = [this](const KeyDown& key) { return OnKeyDown(key); };
    m_control->charHook = [this](char32_t c) { return OnChar(c); };

    // The control's own size with the default face, neither bold nor italic.
    m_charFormat = m_control->GetDefaultCharFormat();
    m_charFormat.dwMask = kDefaultFontMask;
    m_charFormat.dwEffects = 0;
    m_charFormat.setFaceName(kDefaultFaceName);
    m_control->SetAutoWordSelection(false);
    m_wordWrap = true;
    m_background = systemWindowColor();
    m_commandLineFilePending = !m_commandLine.empty();
    m_document.setInsertMode(true);
    m_control->SetDefaultCharFormat(m_charFormat);
    m_control->SetBackgroundColor(m_background);
    m_document.attachView(this);
    m_document.setControl(&m_documentControl);
    registerCommands();
}

QuilloryView::~QuilloryView()
{
    m_document.detachView(this);
    m_document.setControl(nullptr);
}

void QuilloryView::setCharacterFormat(const CharFormatA& format)
{
    m_charFormat = format;
    m_control->SetDefaultCharFormat(m_charFormat);
}

void QuilloryView::setBackgroundColor(ColorRef color)
{
    m_background = color;
    m_control->SetBackgroundColor(m_background);
}

void QuilloryView::setWordWrap(bool on)
{
    m_wordWrap = on;
    m_control->SetWordWrap(on);
}

bool QuilloryView::OnInitialUpdate()
{
    if (!m_commandLineFilePending) {
        OnUpdate();
        return true;
    }
    // The command-line file is loaded by the first update, whose load updates the view again.
    m_commandLineFilePending = false;
    return m_document.loadStartupFile(m_commandLine);
}

void QuilloryView::OnUpdate()
{
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
            m_control->adoptWindowText(m_document.takeBlock(), length);
        } else {
            m_control->SetWindowText(bytes != nullptr ? std::string_view(bytes, length) : std::string_view());
        }
    } catch (const std::bad_alloc&) {
        m_control->setEncoding(shown);
        throw;
    }
    showFontPane();
    setPane(StatusPane::Mode, isBinary() ? QStringLiteral("BINARY") : QStringLiteral(" TEXT "));
    setPane(StatusPane::InsertMode, m_document.insertMode() ? QStringLiteral("INS") : QStringLiteral("OVR"));
    showEncoding();
    m_control->SetModify(false);
    m_control->EmptyUndoBuffer();
    m_control->setOverwriteMode(!m_document.insertMode());
    m_control->SetFocus();
}

void QuilloryView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_control->SetFocus();
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

void QuilloryView::OnEncoding(TextEncoding encoding)
{
    if (isBinary())
        return;
    m_document.setEncoding(encoding);
    showEncoding();
    m_control->SetFocus();
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

    c.OnCommand(ID_EDIT_CLEAR, [this] { OnEditDelete(); });
    c.OnCommand(ID_EDIT_COPY, [this] { OnEditCopy(); });
    c.OnUpdate(ID_EDIT_COPY, [hasSelection](CommandUpdate& ui) { ui.Enable(hasSelection()); });
    c.OnCommand(ID_EDIT_CUT, [this] { OnEditCut(); });
    c.OnUpdate(ID_EDIT_CUT, [hasSelection](CommandUpdate& ui) { ui.Enable(hasSelection()); });
    c.OnCommand(ID_EDIT_PASTE, [this] { OnEditPaste(); });
    c.OnUpdate(ID_EDIT_PASTE, [this](CommandUpdate& ui) {
        ui.Enable(isBinary() ? m_document.hasPrivateClip() : m_control->CanPaste());
    });
    c.OnCommand(ID_EDIT_UNDO, [this] { OnEditUndo(); });
    c.OnUpdate(ID_EDIT_UNDO, [this](CommandUpdate& ui) {
        ui.Enable((!isBinary() && m_control->CanUndo()) || m_document.canUndoBytes());
    });
    c.OnCommand(ID_FREE_CLIPBOARD, [this] { OnFreeClipboard(); });
    c.OnCommand(ID_FREE_UNDO, [this] { OnFreeUndoBuffer(); });
    c.OnUpdate(ID_FREE_STORAGE, [this](CommandUpdate& ui) { ui.Enable(isBinary()); });

    c.OnCommand(ID_WORD_WRAP, [this] { OnWordWrap(); });
    c.OnUpdate(ID_WORD_WRAP, [this](CommandUpdate& ui) { ui.SetCheck(m_wordWrap); });
    c.OnCommand(ID_SELECT_FONTS, [this] { OnSelectFonts(); });
    c.OnCommand(ID_FONTS_COLOR, [this] { OnFontColor(); });
    c.OnCommand(ID_BACKGROUND_COLOR, [this] { OnBackgroundColor(); });
    c.OnCommand(ID_HELP_CONTENTS, [this] { OnHelpContents(); });
    for (const auto& [id, encoding] : {std::pair{ID_ENCODING_UTF8, TextEncoding::Utf8},
                                       std::pair{ID_ENCODING_WINDOWS_1252, TextEncoding::Windows1252}}) {
        c.OnCommand(id, [this, encoding] { OnEncoding(encoding); });
        c.OnUpdate(id, [this, encoding](CommandUpdate& ui) {
            ui.Enable(!isBinary());
            ui.SetCheck(!isBinary() && m_document.encoding() == encoding);
        });
    }

    c.OnCommand(ID_EDIT_SELECT_ALL, [this] { OnEditSelectAll(); });
}

}  // namespace quillory
