#include "editcontrol/EditControl.h"

#include <QApplication>
#include <QResizeEvent>
#include <QScrollBar>
#include <algorithm>

#include "editcore/ByteCodec.h"
#include "editcore/Utf8.h"
#include "editcontrol/GlyphTable.h"
#include "qtplatform/QtClipboard.h"

namespace quillory {

EditControl::EditControl(QWidget* parent) : QAbstractScrollArea(parent), m_layout(m_model.text())
{
    m_model.setListener(this);
    m_format.mask = kMaskBold | kMaskItalic | kMaskUnderline | kMaskStrikeOut | kMaskColor | kMaskSize | kMaskFace;
    m_format.effects = kEffectAutoColor;
    m_format.height = 200;  // 10 points
    m_format.setFaceName(kDefaultFaceName);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_KeyCompression, false);  // one key event per key, for the view's hooks
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
    setContextMenuPolicy(Qt::PreventContextMenu);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_background = 0xFFFFFF;
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &EditControl::onVerticalAction);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &EditControl::onVerticalValue);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &EditControl::onHorizontalValue);
    m_idleLayout.setSingleShot(true);
    m_idleLayout.setInterval(0);
    connect(&m_idleLayout, &QTimer::timeout, this, [this] {
        if (!layoutIdleStep())
            m_idleLayout.start();
    });
    m_autoScroll.setInterval(40);
    connect(&m_autoScroll, &QTimer::timeout, this, &EditControl::autoScrollStep);
    applyFont();
}

EditControl::~EditControl()
{
    m_model.setListener(nullptr);
}

// ---------------------------------------------------------------- text and selection

void EditControl::setText(std::string_view bytes)
{
    resetView();
    m_model.setText(bytes);
}

void EditControl::adoptWindowText(HeapBlock&& block, std::size_t length, std::size_t offset)
{
    resetView();
    m_model.adoptText(std::move(block), length, offset);
}

void EditControl::setEncoding(TextEncoding encoding)
{
    if (encoding == m_model.encoding())
        return;
    m_model.setEncoding(encoding);
    m_layout.setEncoding(encoding);
    m_top = m_layout.rowStart(m_model.charStart(std::min(m_top, m_model.length())));
    m_desiredX = -1;
    m_widestRow = 0;
    scheduleIdleLayout();
    updateScrollBars();
    viewport()->update();
}

std::pair<std::int64_t, std::int64_t> EditControl::characterAt(std::int64_t pos) const
{
    const std::int64_t start = m_model.charStart(std::clamp<std::int64_t>(pos, 0, m_model.length()));
    return {start, m_model.nextChar(start)};
}

void EditControl::resetView()
{
    m_top = 0;
    m_xOffset = 0;
    m_widestRow = 0;
    m_desiredX = -1;
}

std::string EditControl::textRange(std::int64_t start, std::int64_t end) const
{
    start = std::clamp<std::int64_t>(start, 0, m_model.length());
    end = std::clamp<std::int64_t>(end, start, m_model.length());
    return m_model.text().text(start, end - start);
}

void EditControl::forEachTextPiece(const std::function<void(std::string_view)>& visit) const
{
    m_model.text().forEachPiece(0, m_model.length(), visit);
}

void EditControl::copyText(std::uint8_t* out) const
{
    m_model.text().copy(0, m_model.length(), reinterpret_cast<char*>(out));
}

CharRange EditControl::selection() const
{
    return {m_model.selectionStart(), m_model.selectionEnd()};
}

void EditControl::select(std::int64_t start, std::int64_t end, bool scrollToCaret)
{
    m_model.select(start, end);
    m_desiredX = -1;
    // A hidden selection is being worked on behind the user's back: the view stays put.
    if (!m_selectionHidden && scrollToCaret)
        ensureCaretVisible();
}

std::int64_t EditControl::textRange(std::int64_t start, std::int64_t end, char* out) const
{
    start = std::clamp<std::int64_t>(start, 0, m_model.length());
    end = std::clamp<std::int64_t>(end, start, m_model.length());
    m_model.text().copy(start, end - start, out);
    return end - start;
}

std::string EditControl::selectedText() const
{
    return textRange(m_model.selectionStart(), m_model.selectionEnd());
}

void EditControl::replaceSelection(std::string_view bytes, bool canUndo)
{
    m_model.closeUndoStep();
    m_model.replaceSelection(bytes, canUndo);
    m_model.closeUndoStep();
    ensureCaretVisible();
}

void EditControl::clear()
{
    if (m_model.hasSelection())
        replaceSelection({}, true);
}

void EditControl::copy()
{
    if (!m_model.hasSelection())
        return;
    IClipboard* clipboard = m_clipboard;
    if (clipboard == nullptr) {
        if (!m_systemClipboard)
            m_systemClipboard = std::make_unique<QtClipboard>();
        clipboard = m_systemClipboard.get();
    }
    const std::string selected = selectedText();
    clipboard->setText(encoding() == TextEncoding::Utf8 ? utf8::toUtf16(selected) : byteCodec().toClipboard(selected));
}

void EditControl::cut()
{
    if (!m_model.hasSelection())
        return;
    copy();
    clear();
}

bool EditControl::canPaste() const
{
    if (m_clipboard)
        return m_clipboard->canPaste();
    return QtClipboard().canPaste();
}

void EditControl::paste()
{
    if (!canPaste())
        return;
    const std::u16string text = m_clipboard ? m_clipboard->text() : QtClipboard().text();
    replaceSelection(encoding() == TextEncoding::Utf8 ? utf8::fromUtf16(text) : byteCodec().fromClipboard(text), true);
}

void EditControl::hideSelection(bool hide)
{
    if (hide == m_selectionHidden)
        return;
    m_selectionHidden = hide;
    viewport()->update();
}

void EditControl::undo()
{
    m_model.undo();
    m_desiredX = -1;
    ensureCaretVisible();
}

std::optional<FoundRange> EditControl::findText(std::string_view needle, std::int64_t from, const FindOptions& options)
{
    return quillory::findText(m_model.text(), needle, from, options);
}

std::int64_t EditControl::replaceAll(std::string_view needle, std::string_view replacement, const FindOptions& options)
{
    std::optional<ReplacePlan> plan = planReplaceAll(needle, replacement, options, nullptr);
    return plan ? applyReplaceAll(std::move(*plan)) : 0;
}

std::int64_t EditControl::applyReplaceAll(ReplacePlan&& plan)
{
    const std::int64_t replaced = m_model.applyReplaceAll(std::move(plan));
    if (replaced > 0) {
        m_desiredX = -1;
        ensureCaretVisible();
    }
    return replaced;
}

void EditControl::setOverwriteMode(bool on)
{
    if (on == m_overwrite)
        return;
    m_overwrite = on;
    viewport()->update();
    emit overwriteModeChanged(on);
}

// ---------------------------------------------------------------- appearance

void EditControl::setDefaultCharFormat(const CharFormat& format)
{
    const std::uint32_t mask = format.mask;
    auto takeEffect = [&](std::uint32_t maskBit, std::uint32_t effect) {
        if (mask & maskBit)
            m_format.effects = (m_format.effects & ~effect) | (format.effects & effect);
    };
    takeEffect(kMaskBold, kEffectBold);
    takeEffect(kMaskItalic, kEffectItalic);
    takeEffect(kMaskUnderline, kEffectUnderline);
    takeEffect(kMaskStrikeOut, kEffectStrikeOut);
    if (mask & kMaskColor) {
        takeEffect(kMaskColor, kEffectAutoColor);
        m_format.textColor = format.textColor;
    }
    if ((mask & kMaskSize) && format.height > 0)
        m_format.height = format.height;
    if ((mask & kMaskFace) && !format.faceName().empty()) {
        m_format.setFaceName(format.faceName());
        m_format.charSet = format.charSet;
        m_format.pitchAndFamily = format.pitchAndFamily;
    }
    applyFont();
}

void EditControl::setBackgroundColor(std::uint32_t colorRef)
{
    m_background = colorRef & 0xFFFFFF;
    viewport()->update();
}

void EditControl::setWordWrap(bool wrapToWindow)
{
    if (wrapToWindow == m_wordWrap)
        return;
    m_wordWrap = wrapToWindow;
    m_xOffset = 0;
    setHorizontalScrollBarPolicy(wrapToWindow ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    updateWrapWidth();
}

void EditControl::applyFont()
{
    QFont font(QString::fromStdString(m_format.faceName()));
    font.setPointSizeF(m_format.height / 20.0);
    font.setBold(m_format.effects & kEffectBold);
    font.setItalic(m_format.effects & kEffectItalic);
    font.setUnderline(m_format.effects & kEffectUnderline);
    font.setStrikeOut(m_format.effects & kEffectStrikeOut);
    font.setKerning(false);
    m_glyphs = std::make_unique<GlyphTable>(font);
    m_layout.setAdvances(m_glyphs->advances());
    updateWrapWidth();
}

void EditControl::updateWrapWidth()
{
    const int width = std::max(1, viewport()->width() - textLeft() - 2);
    m_layout.setWrapWidth(m_wordWrap ? std::optional<std::int64_t>(std::int64_t{width} * 64) : std::nullopt);
    m_top = m_layout.rowStart(std::min(m_top, m_model.length()));
    m_desiredX = -1;
    scheduleIdleLayout();
    ensureCaretVisible();
}

void EditControl::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_wordWrap)
        updateWrapWidth();
    else
        updateScrollBars();
}

// ---------------------------------------------------------------- model notifications

void EditControl::onTextChanged(const TextChange& change)
{
    if (change.wholeText) {
        m_layout.reset();
        m_top = 0;
    } else {
        m_layout.textChanged(change.offset, change.removed, change.inserted, change.lineDelta);
        std::int64_t top = m_top;
        if (change.offset + change.removed <= top)
            top += change.inserted - change.removed;
        else if (change.offset < top)
            top = change.offset;
        m_top = m_layout.rowStart(std::clamp<std::int64_t>(top, 0, m_model.length()));
    }
    scheduleIdleLayout();
    updateScrollBars();
    viewport()->update();
    announceTop();
    emit textChanged(change.offset, change.removed, change.inserted);
}

void EditControl::onSelectionChanged()
{
    m_caretOn = true;
    viewport()->update();
    emit selectionChanged();
}

void EditControl::onModifiedChanged(bool modified)
{
    emit modifiedChanged(modified);
}

void EditControl::onUndoAvailableChanged(bool available)
{
    emit undoAvailableChanged(available);
}

// ---------------------------------------------------------------- scrolling

void EditControl::scheduleIdleLayout()
{
    if (!m_idleLayout.isActive())
        m_idleLayout.start();
}

bool EditControl::layoutIdleStep()
{
    // Lays out, a few megabytes at a time, the long lines the user is likely to jump through:
    // the one in view, the caret's, and the last.
    constexpr std::int64_t kBudget = 2 << 20;  // a few milliseconds per line
    const TextBuffer& text = m_model.text();
    for (std::int64_t line : {text.lineOf(m_top), text.lineOf(m_model.caret()), text.lineCount() - 1})
        if (!m_layout.extendCheckpoints(line, kBudget))
            return false;
    return true;
}

// ---------------------------------------------------------------- focus and caret

void EditControl::focusInEvent(QFocusEvent* event)
{
    m_caretOn = true;
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0)
        m_blink.start(flash / 2, this);
    viewport()->update();
    QAbstractScrollArea::focusInEvent(event);
}

void EditControl::focusOutEvent(QFocusEvent* event)
{
    m_blink.stop();
    m_autoScroll.stop();
    m_dragging = false;
    viewport()->update();
    QAbstractScrollArea::focusOutEvent(event);
}

void EditControl::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_blink.timerId()) {
        m_caretOn = !m_caretOn;
        viewport()->update(caretRect().adjusted(-1, -1, 1, 1));
        return;
    }
    QAbstractScrollArea::timerEvent(event);
}

bool EditControl::focusNextPrevChild(bool)
{
    return false;
}  // Tab is a character here

bool EditControl::viewportEvent(QEvent* event)
{
    // No dropping of text from elsewhere: every change goes through the operations.
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::Drop)
        return true;
    return QAbstractScrollArea::viewportEvent(event);
}

QRect EditControl::caretRect()
{
    const std::int64_t caret = m_model.caret();
    const std::int64_t caretRow = m_layout.rowStart(caret);
    if (caretRow < m_top)
        return {};
    std::int64_t row = m_top;
    int index = 0;
    while (row != caretRow) {
        const auto next = m_layout.nextRow(row);
        if (!next || ++index > visibleRows() + 1)
            return {};
        row = *next;
    }
    const int x = static_cast<int>(m_layout.xOf(caretRow, caret) / 64 - m_xOffset) + textLeft();
    int width = 2;
    if (m_overwrite && caret < m_model.length()) {
        const std::uint8_t b = m_model.text().at(caret);
        if (b != '\r' && b != '\n')
            width = std::max(2, m_layout.charAdvanceAt(caret, 0) / 64);
    }
    return {x, index * m_glyphs->lineHeight(), width, m_glyphs->lineHeight()};
}

std::int64_t EditControl::hitTest(QPoint point)
{
    int rowIndex = std::max(0, point.y()) / m_glyphs->lineHeight();
    std::int64_t row = m_top;
    for (; rowIndex > 0; --rowIndex) {
        const auto next = m_layout.nextRow(row);
        if (!next)
            return m_layout.posAtX(row, INT64_MAX / 2);
        row = *next;
    }
    if (point.y() < 0)
        row = rowsMoved(row, -1);
    return m_layout.posAtX(row, (point.x() - textLeft() + m_xOffset) * 64);
}

}  // namespace quillory
