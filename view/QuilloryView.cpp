// The view's creation, its display update, the status panes it keeps and the settings it reads.
#include "view/QuilloryView.h"

#include <QApplication>
#include <QPalette>
#include <QScreen>
#include <QVBoxLayout>
#include <cstring>
#include <new>

#include "base/Paths.h"
#include "commands/CommandIds.h"
#include "qtplatform/QtClipboard.h"
#include "settings/SettingsFile.h"
#include "dialogs/FindReplaceDialog.h"
#include "dialogs/GotoDlg.h"
#include "view/HelpWindow.h"

namespace quillory {

namespace {
constexpr int kEncodingPane = 6;  // the status pane after the lock indicators: the TEXT document's encoding
}  // namespace

ColorRef systemWindowColor()
{
    const QColor window = QApplication::palette().color(QPalette::Base);
    return makeColorRef(window.red(), window.green(), window.blue());
}

CQuilloryView::CQuilloryView(CQuilloryDoc& document, ViewServices services, std::string settingsPath,
                             std::string commandLine, QWidget* parent)
    : QWidget(parent),
      m_strSettingsPath(std::move(settingsPath)),
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
    m_cf = m_control->GetDefaultCharFormat();
    m_cf.dwMask = kDefaultFontMask;
    m_cf.dwEffects = 0;
    m_cf.setFaceName(kDefaultFaceName);
    m_control->SetAutoWordSelection(false);
    m_bWordWrap = 1;
    m_crBackground = systemWindowColor();
    // What Startup Options starts from when no settings file is ever read: a complete record with
    // the control's own format, so that the next start applies a whole, sensible font.
    m_settings = SettingsRecord::defaults();
    m_settings.charFormat = m_cf;
    m_settings.background = m_crBackground;
    ReadSettings();
    m_bCmdLineFile = m_commandLine.empty() ? 0 : 1;
    m_document.setInsertMode(true);
    m_control->SetDefaultCharFormat(m_cf);
    m_control->SetBackgroundColor(m_crBackground);

    if (m_services.messageBoxes != nullptr)
        m_pGotoDlg = std::make_unique<CGotoDlg>(this, *m_services.messageBoxes, m_services.beep);
    m_document.attachView(this);
    m_document.setControl(&m_documentControl);
    registerCommands();
}

CQuilloryView::~CQuilloryView()
{
    m_document.detachView(this);
    m_document.setControl(nullptr);
}

void CQuilloryView::ReadSettings()
{
    m_document.m_strDir.clear();
    m_document.setAnsiToAscii(false);
    const SettingsFileContents contents = readSettingsFile(m_strSettingsPath);
    if (contents.status == SettingsReadStatus::Missing)
        return;
    if (contents.status == SettingsReadStatus::Corrupt) {
        // Startup Options then writes from the defaults, never from the damaged bytes.
        m_bSettingsDamaged = true;
        if (m_services.messageBoxes != nullptr)
            m_services.messageBoxes->show({kSettingsReadErrorCaption, kSettingsReadErrorText, MessageIcon::Stop,
                                           MessageButtons::Ok});
        return;
    }
    m_settings = contents.record;
    const WindowRect& frame = m_settings.window;
    // An absurd rectangle (a damaged or hand-made file) leaves the window where it was placed.
    if (frame.bottom != kNoWindowPosition && m_services.placeMainWindow && plausibleWindowRect(frame, screenRects()))
        m_services.placeMainWindow(QRect(frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top));
    m_bWordWrap = m_settings.wordWrap != 0 ? 0 : 1;
    OnWordWrap();  // toggles to the stored state
    m_document.setAnsiToAsciiFromSettings(m_settings.ansiToAscii);
    const std::int32_t defaultHeight = m_cf.yHeight;
    m_cf = m_settings.charFormat;
    if (!plausibleFontHeight(m_cf.yHeight))
        m_cf.yHeight = defaultHeight;
    m_crBackground = m_settings.background;
    if (!contents.defaultDir.empty())
        m_document.m_strDir = absolutePath(contents.defaultDir);
}

std::vector<WindowRect> CQuilloryView::screenRects()
{
    std::vector<WindowRect> rects;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->geometry();
        rects.push_back({area.left(), area.top(), area.left() + area.width(), area.top() + area.height()});
    }
    return rects;
}

bool CQuilloryView::OnInitialUpdate()
{
    m_rectMargin = MarginsTwips{720, 720, 720, 720};
    if (m_bCmdLineFile == 0) {
        OnUpdate();
        return true;
    }
    // The command-line file is loaded by the first update, whose load updates the view again.
    m_bCmdLineFile = 0;
    return m_document.loadStartupFile(m_commandLine);
}

void CQuilloryView::OnUpdate()
{
    const auto* bytes = reinterpret_cast<const char*>(m_document.storage().bytes());
    const auto length = static_cast<std::size_t>(m_document.storage().length());
    // The encoding first, so that the new text is laid out once, as what it is. Should the
    // control lack the memory for the new text, it keeps the old one, shown as before.
    const TextEncoding shown = m_control->encoding();
    m_control->setEncoding(isBinary() ? TextEncoding::Windows1252 : m_document.m_encoding);
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
    setPane(2, isBinary() ? QStringLiteral("BINARY") : QStringLiteral(" TEXT "));
    setPane(3, m_document.insertMode() ? QStringLiteral("INS") : QStringLiteral("OVR"));
    showEncoding();
    m_control->SetModify(false);
    m_control->EmptyUndoBuffer();
    m_control->setOverwriteMode(!m_document.insertMode());
    m_control->SetFocus();
}

void CQuilloryView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_control->SetFocus();
}

void CQuilloryView::setPane(int pane, const QString& text) const
{
    if (m_services.setPaneText)
        m_services.setPaneText(pane, text);
}

void CQuilloryView::showFontPane() const
{
    setPane(1, QStringLiteral("Font: ") + QString::fromStdString(m_cf.faceName()));
}

void CQuilloryView::showEncoding()
{
    m_control->setEncoding(isBinary() ? TextEncoding::Windows1252 : m_document.m_encoding);
    QString name;
    if (!isBinary())
        name = m_document.m_encoding == TextEncoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Windows-1252");
    setPane(kEncodingPane, name);
}

void CQuilloryView::OnEncoding(TextEncoding encoding)
{
    if (isBinary())
        return;
    m_document.m_encoding = encoding;
    showEncoding();
    m_control->SetFocus();
}

void CQuilloryView::beep() const
{
    if (m_services.beep)
        m_services.beep();
}

void CQuilloryView::registerCommands()
{
    using namespace cmd;
    CommandTarget& c = m_commands;
    const auto hasSelection = [this] { return m_control->selectionStart() != m_control->selectionEnd(); };

    c.OnCommand(ID_EDIT_CLEAR, [this] { OnEditDelete(); });
    c.OnCommand(ID_EDIT_COPY, [this] { OnEditCopy(); });
    c.OnUpdate(ID_EDIT_COPY, [hasSelection](CCmdUI& ui) { ui.Enable(hasSelection()); });
    c.OnCommand(ID_EDIT_CUT, [this] { OnEditCut(); });
    c.OnUpdate(ID_EDIT_CUT, [hasSelection](CCmdUI& ui) { ui.Enable(hasSelection()); });
    c.OnCommand(ID_EDIT_PASTE, [this] { OnEditPaste(); });
    c.OnUpdate(ID_EDIT_PASTE, [this](CCmdUI& ui) {
        ui.Enable(isBinary() ? m_document.hasPrivateClip() : m_control->CanPaste());
    });
    c.OnCommand(ID_EDIT_UNDO, [this] { OnEditUndo(); });
    c.OnUpdate(ID_EDIT_UNDO, [this](CCmdUI& ui) {
        ui.Enable((!isBinary() && m_control->CanUndo()) || m_document.canUndoBytes());
    });
    c.OnCommand(ID_FREE_CLIPBOARD, [this] { OnFreeClipboard(); });
    c.OnCommand(ID_FREE_UNDO, [this] { OnFreeUndoBuffer(); });
    c.OnUpdate(ID_FREE_STORAGE, [this](CCmdUI& ui) { ui.Enable(isBinary()); });

    c.OnCommand(ID_WORD_WRAP, [this] { OnWordWrap(); });
    c.OnUpdate(ID_WORD_WRAP, [this](CCmdUI& ui) { ui.SetCheck(m_bWordWrap == 1); });
    c.OnCommand(ID_SELECT_FONTS, [this] { OnSelectFonts(); });
    c.OnCommand(ID_FONTS_COLOR, [this] { OnFontColor(); });
    c.OnCommand(ID_BACKGROUND_COLOR, [this] { OnBackgroundColor(); });
    c.OnCommand(ID_HELP_CONTENTS, [this] { OnHelpContents(); });
    for (const auto& [id, encoding] : {std::pair{ID_ENCODING_UTF8, TextEncoding::Utf8},
                                       std::pair{ID_ENCODING_WINDOWS_1252, TextEncoding::Windows1252}}) {
        c.OnCommand(id, [this, encoding] { OnEncoding(encoding); });
        c.OnUpdate(id, [this, encoding](CCmdUI& ui) {
            ui.Enable(!isBinary());
            ui.SetCheck(!isBinary() && m_document.m_encoding == encoding);
        });
    }

    c.OnCommand(ID_EDIT_SELECT_ALL, [this] { OnEditSelectAll(); });
    c.OnCommand(ID_EDIT_FIND, [this] { OnEditFind(); });
    c.OnCommand(ID_EDIT_REPEAT, [this] { OnEditFindNext(); });
    c.OnCommand(ID_EDIT_REPLACE, [this] { OnEditReplace(); });
    c.OnUpdate(ID_EDIT_REPLACE, [this](CCmdUI& ui) { ui.Enable(!isBinary()); });
    c.OnCommand(ID_FILE_PRINT, [this] { OnFilePrint(); });
    c.OnCommand(ID_FILE_PRINT_PREVIEW, [this] { OnFilePrintPreview(); });

    c.OnCommand(ID_FILE_STAT, [this] { OnFileStat(); });
    c.OnCommand(ID_GOTO, [this] { OnGoto(); });
    c.OnCommand(ID_STRIP_HTML, [this] { OnStripHtmlTags(); });
    c.OnUpdate(ID_STRIP_HTML, [this](CCmdUI& ui) { ui.Enable(!isBinary()); });
    c.OnCommand(ID_INSERT_FILE, [this] { OnInsertFile(); });
    c.OnUpdate(ID_INSERT_FILE, [this](CCmdUI& ui) { ui.Enable(!isBinary()); });
    c.OnCommand(ID_FILE_WIPE, [this] { OnFileWipe(); });
    c.OnCommand(ID_SPLIT_JOIN, [this] { OnSplitJoin(); });
    c.OnCommand(ID_STARTUP_OPTIONS, [this] { OnStartupOptions(); });
}

}  // namespace quillory
