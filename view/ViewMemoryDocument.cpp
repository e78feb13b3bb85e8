// Documents that come from memory rather than a file: a retrieved one, classified TEXT or BINARY
// by the usual rule, and a recovered one, in the mode it had; each shown as a new untitled document.
#include <QApplication>
#include <QScopedValueRollback>
#include <cstring>
#include <limits>
#include <new>

#include "document/ByteClassifier.h"
#include "editcore/Utf8.h"
#include "view/QuilloryView.h"

namespace quillory {

namespace {

// The wait cursor for the lifetime of the object.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

bool QuilloryView::isEmptyAndUnmodified() const
{
    return m_control->textLength() == 0 && !m_control->isModified();
}

QuilloryView::MemoryDocument QuilloryView::showDocumentFromMemory(HeapBlock& block, std::int32_t length)
{
    const auto count = static_cast<std::size_t>(length);
    const bool binary = quillory::isBinary(block.data(), count);
    // A TEXT document reads as UTF-8 when it is valid UTF-8, as a loaded file does.
    const TextEncoding encoding =
        binary || !utf8::isValid(block.data(), count) ? TextEncoding::Windows1252 : TextEncoding::Utf8;
    return showBytes(block, length, binary, encoding);
}

QuilloryView::MemoryDocument QuilloryView::showRecoveredDocument(HeapBlock& block, std::int64_t length,
                                                                 DocumentMode mode, TextEncoding encoding)
{
    const bool binary = mode == DocumentMode::Binary;
    if (binary && length > std::numeric_limits<std::int32_t>::max())
        return MemoryDocument::NoMemoryForBinary;
    const MemoryDocument shown = showBytes(block, length, binary, binary ? TextEncoding::Windows1252 : encoding);
    if (shown == MemoryDocument::Shown)
        m_control->setModified(true);
    return shown;
}

QuilloryView::MemoryDocument QuilloryView::showBytes(HeapBlock& block, std::int64_t length, bool binary,
                                                     TextEncoding encoding)
{
    WaitCursor wait;
    const QScopedValueRollback showing(m_showingDocument, true);
    const auto count = static_cast<std::size_t>(length);
    // Nothing changes until the control holds the text: a refusal leaves the document as it was
    // and the block the caller's.
    std::uint8_t* copy = nullptr;
    if (binary) {
        // The true bytes go to the storage; the block becomes the display copy.
        copy = static_cast<std::uint8_t*>(m_document.heap().allocPlain(count + 1));
        if (copy == nullptr)
            return MemoryDocument::NoMemoryForBinary;
        std::memcpy(copy, block.data(), count);
        copy[count] = 0;
        makeDisplayCopy(block.data(), count);
    }
    emit documentAboutToShow();
    const TextEncoding shown = m_control->encoding();
    m_control->setEncoding(encoding);
    try {
        m_control->adoptWindowText(std::move(block), count);
    } catch (const std::bad_alloc&) {
        if (!block.ok())
            throw;  // the control took the text and failed after: nothing left to give back
        m_control->setEncoding(shown);
        if (binary) {
            std::memcpy(block.data(), copy, count);
            m_document.heap().release(copy);
        }
        return binary ? MemoryDocument::NoMemoryForBinary : MemoryDocument::NoMemory;
    }
    if (binary) {
        m_document.adoptTrueBytes(copy, static_cast<std::int32_t>(length));
    } else {
        // Nothing reads the storage in TEXT mode; as after loading a TEXT file, it goes.
        m_document.releaseStorage();
        m_document.setEncoding(encoding);
    }
    m_document.setMode(binary ? DocumentMode::Binary : DocumentMode::Text);
    showEncoding();
    m_document.setTitle("Untitled");
    m_document.clearFileName();
    setPane(StatusPane::Mode, binary ? QStringLiteral("BINARY") : QStringLiteral(" TEXT "));
    m_control->emptyUndoBuffer();
    m_document.releaseUndo();
    m_control->takeFocus();
    emit documentShown();
    return MemoryDocument::Shown;
}

}  // namespace quillory
