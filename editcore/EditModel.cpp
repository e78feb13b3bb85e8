#include "editcore/EditModel.h"

#include "editcore/CharSteps.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace quillory {

std::size_t EditModel::acceptedLength(std::string_view bytes) const
{
    const void* zero = bytes.empty() ? nullptr : std::memchr(bytes.data(), 0, bytes.size());
    const std::size_t length =
        zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes.data()) : bytes.size();
    return std::min(length, static_cast<std::size_t>(m_limit));
}

void EditModel::setText(std::string_view bytes)
{
    const std::int64_t oldLength = m_text.size();
    const std::int64_t oldLines = m_text.lineCount();
    m_text.setText(bytes.substr(0, acceptedLength(bytes)));
    afterWholeTextReplaced(oldLength, oldLines);
}

void EditModel::adoptText(HeapBlock&& block, std::size_t length, std::size_t offset)
{
    const std::int64_t oldLength = m_text.size();
    const std::int64_t oldLines = m_text.lineCount();
    const std::size_t accepted = acceptedLength({reinterpret_cast<const char*>(block.data() + offset), length});
    m_text.adoptText(std::move(block), accepted, offset);
    afterWholeTextReplaced(oldLength, oldLines);
}

void EditModel::afterWholeTextReplaced(std::int64_t oldLength, std::int64_t oldLines)
{
    m_anchor = m_caret = 0;
    setUndo(std::nullopt);
    if (m_listener) {
        m_listener->onTextChanged({0, oldLength, m_text.size(), m_text.lineCount() - oldLines, true});
        m_listener->onSelectionChanged();
    }
    setModified(false);
}

void EditModel::setEncoding(TextEncoding encoding)
{
    if (encoding == m_encoding)
        return;
    m_encoding = encoding;
    closeUndoStep();
    snapSelection();
}

std::int64_t EditModel::charStart(std::int64_t pos) const
{
    return quillory::charStart(m_text, pos, m_encoding);
}

std::int64_t EditModel::nextChar(std::int64_t pos) const
{
    return nextCharPos(m_text, pos, m_encoding);
}

std::int64_t EditModel::prevChar(std::int64_t pos) const
{
    return prevCharPos(m_text, pos, m_encoding);
}

void EditModel::snapSelection()
{
    if (m_encoding != TextEncoding::Utf8)
        return;
    const std::int64_t anchor = charStart(m_anchor);
    const std::int64_t caret = charStart(m_caret);
    if (anchor == m_anchor && caret == m_caret)
        return;
    m_anchor = anchor;
    m_caret = caret;
    if (m_listener)
        m_listener->onSelectionChanged();
}

void EditModel::setSelection(std::int64_t anchor, std::int64_t caret)
{
    anchor = charStart(std::clamp<std::int64_t>(anchor, 0, m_text.size()));
    caret = charStart(std::clamp<std::int64_t>(caret, 0, m_text.size()));
    if (anchor == m_anchor && caret == m_caret)
        return;
    closeUndoStep();
    m_anchor = anchor;
    m_caret = caret;
    if (m_listener)
        m_listener->onSelectionChanged();
}

void EditModel::select(std::int64_t start, std::int64_t end)
{
    if (start < 0) {
        setSelection(m_caret, m_caret);
        return;
    }
    if (end < 0 || end > m_text.size())
        end = m_text.size();
    setSelection(start, end);
}

void EditModel::moveCaret(std::int64_t pos)
{
    // An edit may have joined bytes on either side into one character: the caret goes to its start.
    m_anchor = m_caret = charStart(pos);
    if (m_listener)
        m_listener->onSelectionChanged();
}

void EditModel::setUndo(std::optional<UndoStep> step)
{
    const bool before = m_undo.has_value();
    m_undo = std::move(step);
    if (m_listener && before != m_undo.has_value())
        m_listener->onUndoAvailableChanged(m_undo.has_value());
}

void EditModel::record(std::int64_t pos, std::int64_t removed, std::int64_t inserted, EditKind kind)
{
    if (m_undo && m_undo->open && kind != EditKind::Other && m_undo->kind == kind) {
        UndoStep& s = *m_undo;
        if (kind == EditKind::Typing && pos == s.pos + s.insertedLength) {
            s.removed += m_text.text(pos, removed);
            s.insertedLength += inserted;
            return;
        }
        if (kind == EditKind::Backspace && s.insertedLength == 0 && pos + removed == s.pos) {
            s.removed.insert(0, m_text.text(pos, removed));
            s.pos = pos;
            return;
        }
        if (kind == EditKind::Delete && s.insertedLength == 0 && pos == s.pos) {
            s.removed += m_text.text(pos, removed);
            return;
        }
    }
    setUndo(UndoStep{pos, m_text.text(pos, removed), inserted, kind, kind != EditKind::Other});
}

void EditModel::replaceRange(std::int64_t pos, std::int64_t removed, std::string_view bytes)
{
    const std::int64_t linesBefore = m_text.lineCount();
    m_text.replace(pos, removed, bytes);
    textReplaced(pos, removed, static_cast<std::int64_t>(bytes.size()), linesBefore);
}

void EditModel::textReplaced(std::int64_t pos, std::int64_t removed, std::int64_t inserted, std::int64_t linesBefore)
{
    if (m_listener)
        m_listener->onTextChanged({pos, removed, inserted, m_text.lineCount() - linesBefore});
    setModified(true);
}

std::int64_t EditModel::replaceSelection(std::string_view bytes, bool undoable, EditKind kind)
{
    const std::int64_t start = selectionStart();
    const std::int64_t removed = selectionEnd() - start;
    const std::int64_t room = m_limit - (m_text.size() - removed);
    if (static_cast<std::int64_t>(bytes.size()) > room)
        bytes = bytes.substr(0, static_cast<std::size_t>(std::max<std::int64_t>(room, 0)));
    if (removed == 0 && bytes.empty())
        return 0;
    // The text's memory first: when it cannot be had, neither the text nor the undo step changes.
    m_text.reserveFor(removed, bytes);
    if (undoable)
        record(start, removed, static_cast<std::int64_t>(bytes.size()), kind);
    else
        setUndo(std::nullopt);
    replaceRange(start, removed, bytes);
    moveCaret(start + static_cast<std::int64_t>(bytes.size()));
    return static_cast<std::int64_t>(bytes.size());
}

bool EditModel::typeByte(std::uint8_t b, bool overwrite)
{
    const char byte = static_cast<char>(b);
    return typeCharacter(std::string_view(&byte, 1), overwrite);
}

bool EditModel::typeCharacter(std::string_view bytes, bool overwrite)
{
    const auto length = static_cast<std::int64_t>(bytes.size());
    if (overwrite && !hasSelection() && m_caret < m_text.size()) {
        const std::uint8_t under = m_text.at(m_caret);
        // A line break is never overwritten: typing at a line's end inserts.
        if (under != '\r' && under != '\n') {
            const std::int64_t pos = m_caret;
            const std::int64_t replaced = nextChar(pos) - pos;
            if (m_limit - (m_text.size() - replaced) < length)
                return false;
            record(pos, replaced, length, EditKind::Typing);
            replaceRange(pos, replaced, bytes);
            moveCaret(pos + length);
            return true;
        }
    }
    const std::int64_t room = m_limit - (m_text.size() - (selectionEnd() - selectionStart()));
    if (room < length)
        return false;
    return replaceSelection(bytes, true, EditKind::Typing) == length;
}

bool EditModel::deleteBackward()
{
    if (hasSelection())
        return replaceSelection({}, true, EditKind::Other), true;
    if (m_caret == 0)
        return false;
    const std::int64_t from = m_caret >= 2 && m_text.insideCrLf(m_caret - 1) ? m_caret - 2 : prevChar(m_caret);
    record(from, m_caret - from, 0, EditKind::Backspace);
    replaceRange(from, m_caret - from, {});
    moveCaret(from);
    return true;
}

bool EditModel::deleteForward()
{
    if (hasSelection())
        return replaceSelection({}, true, EditKind::Other), true;
    if (m_caret >= m_text.size())
        return false;
    const std::int64_t to = m_text.insideCrLf(m_caret + 1) ? m_caret + 2 : nextChar(m_caret);
    record(m_caret, to - m_caret, 0, EditKind::Delete);
    const std::int64_t pos = m_caret;
    replaceRange(pos, to - pos, {});
    moveCaret(pos);
    return true;
}

void EditModel::undo()
{
    if (!m_undo)
        return;
    // The step's bytes and the text's trade places, so the step becomes its own inverse: what
    // undo now removes comes back on the next undo. No copy of the whole range is made.
    UndoStep& step = *m_undo;
    const auto restored = static_cast<std::int64_t>(step.removed.size());
    const std::int64_t taken = step.insertedLength;
    const std::int64_t linesBefore = m_text.lineCount();
    m_text.exchange(step.pos, taken, step.removed);
    step.insertedLength = restored;
    step.kind = EditKind::Other;
    step.open = false;
    textReplaced(step.pos, taken, restored, linesBefore);
    m_anchor = charStart(step.pos);
    m_caret = charStart(step.pos + restored);
    if (m_listener)
        m_listener->onSelectionChanged();
}

void EditModel::emptyUndoBuffer()
{
    setUndo(std::nullopt);
}

void EditModel::setModified(bool modified)
{
    if (modified == m_modified)
        return;
    m_modified = modified;
    if (m_listener)
        m_listener->onModifiedChanged(modified);
}

}  // namespace quillory
