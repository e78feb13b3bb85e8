// Keyboard, input method and mouse handling of the edit control.
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "editcore/ByteCodec.h"
#include "editcore/CharSteps.h"
#include "editcore/UnicodeTables.h"
#include "editcore/Utf8.h"
#include "editcontrol/EditControl.h"
#include "editcontrol/GlyphTable.h"

namespace quillory {

namespace {

bool isLineBreakByte(std::uint8_t b)
{
    return b == '\r' || b == '\n';
}

// The class of a character for word moves: line break, blank, word, or other (punctuation).
// Characters are bytes in Windows-1252 and decoded sequences in UTF-8 (an invalid byte is other).
int charClass(const TextBuffer& text, std::int64_t pos, TextEncoding encoding)
{
    const std::uint8_t b = text.at(pos);
    if (isLineBreakByte(b))
        return 0;
    if (ByteCodec::isBlank(b))
        return 1;
    if (encoding != TextEncoding::Utf8 || b < 0x80)
        return byteCodec().isWordByte(b) ? 2 : 3;
    const utf8::Char c = utf8CharAt(text, pos);
    return c.valid && isWordCharacter(c.cp) ? 2 : 3;
}

// Calls visit with each character of text, a surrogate pair as one.
template <typename Visit>
void forEachCodePoint(const QString& text, Visit visit)
{
    utf8::forEachCodePoint(std::u16string_view(QStringView(text).utf16(), static_cast<std::size_t>(text.size())),
                           visit);
}

}  // namespace

void EditControl::keyPressEvent(QKeyEvent* event)
{
    if (keyDownHook && keyDownHook(KeyDown{event->key(), event->modifiers(), event->isAutoRepeat()})) {
        event->accept();
        return;
    }
    if (handleNavigationKey(event)) {
        event->accept();
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    if ((mods & Qt::AltModifier) && !(mods & Qt::ControlModifier)) {
        event->ignore();  // menu mnemonics
        return;
    }
    // Keys that make no character (Escape, Ctrl+letter...) go on to the parent.
    event->setAccepted(emitCharacters(event));
}

bool EditControl::emitCharacters(const QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int key = event->key();
    std::vector<char32_t> chars;
    if (key == Qt::Key_Backspace && !ctrl) {
        chars.push_back(8);
    } else if (key == Qt::Key_Tab && !ctrl) {
        chars.push_back(9);
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        chars.push_back(ctrl ? 10 : 13);
    } else if (ctrl && (key == Qt::Key_2 || key == Qt::Key_At)) {
        chars.push_back(0);
    } else if (!ctrl || (event->modifiers() & Qt::AltModifier)) {
        // Ctrl+key makes no character; AltGr (Ctrl+Alt on some systems) does.
        forEachCodePoint(event->text(), [&](char32_t c) {
            if (c >= 0x20 && c != 0x7F)  // Escape and other control keys type nothing
                chars.push_back(c);
        });
    }
    for (char32_t c : chars)
        handleCharacter(c);
    return !chars.empty();
}

std::string EditControl::encodeCharacter(char32_t c) const
{
    if (encoding() == TextEncoding::Utf8)
        return utf8::encode(c);
    return std::string(1, static_cast<char>(byteCodec().byteFor(c)));
}

void EditControl::handleCharacter(char32_t c)
{
    if (charHook && charHook(c))
        return;
    switch (c) {
    case 0: return;  // a typed zero inserts nothing
    case 8: m_model.deleteBackward(); break;
    case 10:
    case 13: m_model.replaceSelection(m_model.text().firstLineBreak(), true, EditKind::Typing); break;
    default:
        if (!m_model.typeCharacter(encodeCharacter(c), m_overwrite))
            QApplication::beep();
        break;
    }
    m_desiredX = -1;
    ensureCaretVisible();
}

void EditControl::inputMethodEvent(QInputMethodEvent* event)
{
    forEachCodePoint(event->commitString(), [this](char32_t c) { handleCharacter(c == '\n' ? 13 : c); });
    // Text being composed is only shown at the caret; it enters the text when committed.
    if (m_preedit != event->preeditString()) {
        m_preedit = event->preeditString();
        viewport()->update();
    }
    event->accept();
}

QVariant EditControl::inputMethodQuery(Qt::InputMethodQuery query) const
{
    auto* self = const_cast<EditControl*>(this);
    switch (query) {
    case Qt::ImCursorRectangle: return self->caretRect();
    case Qt::ImFont: return m_glyphs->font();
    case Qt::ImEnabled: return true;
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void EditControl::moveCaretTo(std::int64_t pos, bool extend, bool keepDesiredX)
{
    const TextBuffer& text = m_model.text();
    pos = std::clamp<std::int64_t>(pos, 0, text.size());
    if (text.insideCrLf(pos))
        pos = pos > m_model.caret() ? pos + 1 : pos - 1;
    if (const std::int64_t start = m_model.charStart(pos); start != pos)
        pos = pos > m_model.caret() ? m_model.nextChar(start) : start;
    if (!keepDesiredX)
        m_desiredX = -1;
    m_model.setSelection(extend ? m_model.anchor() : pos, pos);
    ensureCaretVisible();
}

std::int64_t EditControl::wordRight(std::int64_t pos) const
{
    const TextBuffer& text = m_model.text();
    const TextEncoding enc = encoding();
    const std::int64_t size = text.size();
    if (pos >= size)
        return size;
    const int cls = charClass(text, pos, enc);
    if (cls == 0)
        return text.insideCrLf(pos + 1) ? pos + 2 : pos + 1;
    if (cls != 1)
        while (pos < size && charClass(text, pos, enc) == cls)
            pos = m_model.nextChar(pos);
    while (pos < size && charClass(text, pos, enc) == 1)
        ++pos;
    return pos;
}

std::int64_t EditControl::wordLeft(std::int64_t pos) const
{
    const TextBuffer& text = m_model.text();
    const TextEncoding enc = encoding();
    if (pos <= 0)
        return 0;
    while (pos > 0 && charClass(text, pos - 1, enc) == 1)
        --pos;
    if (pos == 0)
        return 0;
    const int cls = charClass(text, m_model.prevChar(pos), enc);
    if (cls == 0)
        return text.insideCrLf(pos - 1) ? pos - 2 : pos - 1;
    while (pos > 0 && charClass(text, m_model.prevChar(pos), enc) == cls)
        pos = m_model.prevChar(pos);
    return pos;
}

std::pair<std::int64_t, std::int64_t> EditControl::wordAt(std::int64_t pos) const
{
    const TextBuffer& text = m_model.text();
    const TextEncoding enc = encoding();
    const std::int64_t size = text.size();
    if (size == 0)
        return {0, 0};
    pos = m_model.charStart(pos);
    if (pos >= size || (charClass(text, pos, enc) == 0 && pos > 0))
        pos = m_model.prevChar(pos);
    const int cls = charClass(text, pos, enc);
    if (cls == 0)
        return {pos, pos};
    std::int64_t start = pos;
    std::int64_t end = m_model.nextChar(pos);
    while (start > 0 && charClass(text, m_model.prevChar(start), enc) == cls)
        start = m_model.prevChar(start);
    while (end < size && charClass(text, end, enc) == cls)
        end = m_model.nextChar(end);
    // A word takes the blanks after it, as a double-click selection does.
    if (cls == 2)
        while (end < size && charClass(text, end, enc) == 1)
            ++end;
    return {start, end};
}

void EditControl::moveCaretByRows(int rows, bool scrollView, bool extend)
{
    const std::int64_t caret = m_model.caret();
    const std::int64_t row = m_layout.rowStart(caret);
    if (m_desiredX < 0)
        m_desiredX = m_layout.xOf(row, caret);
    const std::int64_t target = rowsMoved(row, rows);
    std::int64_t pos = m_layout.posAtX(target, m_desiredX);
    if (target == row)
        pos = rows < 0 ? 0 : m_model.length();  // past the first or last row: to the text's edge
    if (scrollView) {
        m_top = rowsMoved(m_top, rows);
        clampTop();
    }
    moveCaretTo(pos, extend, true);
}

std::int64_t EditControl::rowEndCaret(std::int64_t row)
{
    const TextBuffer& text = m_model.text();
    const std::int64_t end = m_layout.rowEnd(row);
    // A wrapped row's end is the next row's start: the caret stops before it to stay on the row.
    if (end < text.lineContentEnd(text.lineOf(row)) && end > row)
        return m_model.prevChar(end);
    return end;
}

bool EditControl::handleNavigationKey(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    if (mods & Qt::AltModifier)
        return false;
    const std::int64_t caret = m_model.caret();
    const TextBuffer& text = m_model.text();
    switch (event->key()) {
    case Qt::Key_Left:
        if (!shift && !ctrl && m_model.hasSelection())
            moveCaretTo(m_model.selectionStart(), false);
        else
            moveCaretTo(ctrl ? wordLeft(caret) : (text.insideCrLf(caret - 1) ? caret - 2 : m_model.prevChar(caret)),
                        shift);
        return true;
    case Qt::Key_Right:
        if (!shift && !ctrl && m_model.hasSelection())
            moveCaretTo(m_model.selectionEnd(), false);
        else
            moveCaretTo(ctrl ? wordRight(caret) : (text.insideCrLf(caret + 1) ? caret + 2 : m_model.nextChar(caret)),
                        shift);
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (ctrl)
            scrollRows(event->key() == Qt::Key_Up ? -1 : 1);
        else
            moveCaretByRows(event->key() == Qt::Key_Up ? -1 : 1, false, shift);
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int page = std::max(1, visibleRows() - 1);
        moveCaretByRows(event->key() == Qt::Key_PageUp ? -page : page, true, shift);
        return true;
    }
    case Qt::Key_Home: moveCaretTo(ctrl ? 0 : m_layout.rowStart(caret), shift); return true;
    case Qt::Key_End: moveCaretTo(ctrl ? text.size() : rowEndCaret(m_layout.rowStart(caret)), shift); return true;
    case Qt::Key_Delete:
        if (shift)
            return false;
        m_model.deleteForward();
        m_desiredX = -1;
        ensureCaretVisible();
        return true;
    case Qt::Key_Insert:
        if (mods != Qt::NoModifier)
            return false;
        setOverwriteMode(!m_overwrite);
        return true;
    default: return false;
    }
}

// ---------------------------------------------------------------- mouse

void EditControl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();  // no middle-button paste, no context menu edits
        return;
    }
    const std::int64_t pos = hitTest(event->position().toPoint());
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    m_dragging = true;
    m_wordDrag = false;
    m_lastMouse = event->position().toPoint();
    if (shift) {
        moveCaretTo(pos, true);
    } else {
        m_dragWord = wordAt(pos);
        moveCaretTo(pos, false);
    }
    event->accept();
}

void EditControl::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    const auto word = wordAt(hitTest(event->position().toPoint()));
    m_dragWord = word;
    m_dragging = true;
    m_wordDrag = true;
    m_model.setSelection(word.first, word.second);
    ensureCaretVisible();
    event->accept();
}

void EditControl::extendMouseSelection(QPoint point)
{
    std::int64_t pos = hitTest(point);
    if (m_wordDrag || (m_autoWordSelection && (pos < m_dragWord.first || pos > m_dragWord.second))) {
        // Whole words from the word the drag began in to the word under the mouse.
        const auto word = wordAt(pos);
        if (pos < m_dragWord.first)
            m_model.setSelection(m_dragWord.second, word.first);
        else
            m_model.setSelection(m_dragWord.first, std::max(word.second, m_dragWord.second));
        ensureCaretVisible();
        return;
    }
    moveCaretTo(pos, true);
}

void EditControl::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    m_lastMouse = event->position().toPoint();
    const bool outside = m_lastMouse.y() < 0 || m_lastMouse.y() >= viewport()->height() ||
                         (!m_wordWrap && (m_lastMouse.x() < 0 || m_lastMouse.x() >= viewport()->width()));
    if (outside && !m_autoScroll.isActive())
        m_autoScroll.start();
    else if (!outside)
        m_autoScroll.stop();
    extendMouseSelection(m_lastMouse);
}

void EditControl::autoScrollStep()
{
    if (!m_dragging) {
        m_autoScroll.stop();
        return;
    }
    if (m_lastMouse.y() < 0)
        scrollRows(-1);
    else if (m_lastMouse.y() >= viewport()->height())
        scrollRows(1);
    QPoint inside(m_lastMouse.x(), std::clamp(m_lastMouse.y(), 0, viewport()->height() - 1));
    if (m_lastMouse.y() < 0)
        inside.setY(0);
    extendMouseSelection(inside);
}

void EditControl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = false;
        m_wordDrag = false;
        m_autoScroll.stop();
    }
    event->accept();
}

void EditControl::wheelEvent(QWheelEvent* event)
{
    const QPoint delta = event->angleDelta();
    if (delta.y() != 0) {
        scrollRows(-delta.y() / 40);  // three rows a notch
    } else if (delta.x() != 0 && !m_wordWrap) {
        m_xOffset = std::max<std::int64_t>(0, m_xOffset - delta.x() / 2);
        updateScrollBars();
        viewport()->update();
    }
    event->accept();
}

}  // namespace quillory
