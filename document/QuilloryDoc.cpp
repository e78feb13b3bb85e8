#include "document/QuilloryDoc.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/Paths.h"

namespace quillory {

QuilloryDoc::QuilloryDoc(IMessageBoxes& messageBoxes, IByteHeap& heap) : m_storage(heap), m_messageBoxes(messageBoxes)
{}

void QuilloryDoc::setAnsiToAscii(bool on)
{
    m_ansiToAscii = on;
    m_ansiToAsciiInert = false;
}

void QuilloryDoc::setAnsiToAsciiFromSettings(std::uint32_t stored)
{
    m_ansiToAscii = stored != 0;
    m_ansiToAsciiInert = stored > 1;
}

void QuilloryDoc::adoptTrueBytes(std::uint8_t* block, std::int32_t length)
{
    m_storage.adoptBlock(block, length, static_cast<std::size_t>(length) + 1, length);
}

void QuilloryDoc::attachView(IDocumentView* view)
{
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void QuilloryDoc::detachView(IDocumentView* view)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void QuilloryDoc::setTitle(const std::string& title)
{
    m_title = title;
    if (m_host != nullptr)
        m_host->titleChanged(title);
}

void QuilloryDoc::updateAllViews()
{
    for (IDocumentView* view : m_views)
        view->onUpdate();
}

bool QuilloryDoc::onNewDocument()
{
    m_fileName[0] = '\0';
    m_storage.releaseStorage();
    m_mode = DocumentMode::Text;
    m_encoding = TextEncoding::Utf8;
    m_saved = true;
    m_storage.releaseClip();
    m_storage.releaseUndo();
    setTitle("Untitled");
    updateAllViews();
    return true;
}

void QuilloryDoc::showEmptyUntitled()
{
    m_storage.releaseStorage();
    m_fileName[0] = '\0';
    m_mode = DocumentMode::Text;
    setModified(false);
    setTitle("Untitled");
    updateAllViews();
}

void QuilloryDoc::setFileNameAndDir(const std::string& given)
{
    // Kept absolute: the Split/Join dialog may change the current directory later.
    const std::string path = absolutePath(given);
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t nameLength = std::min(name.size(), sizeof m_fileName - 1);
    std::memcpy(m_fileName, name.data(), nameLength);
    m_fileName[nameLength] = '\0';
    m_folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void QuilloryDoc::takePath(const std::string& path)
{
    setFileNameAndDir(path);
    setTitle(m_fileName);
}

void QuilloryDoc::beginWaitCursor()
{
    if (m_host != nullptr)
        m_host->beginWaitCursor();
}

void QuilloryDoc::endWaitCursor()
{
    if (m_host != nullptr)
        m_host->endWaitCursor();
}

CharRange QuilloryDoc::controlSelection() const
{
    return m_control != nullptr ? m_control->selection() : CharRange{};
}

void QuilloryDoc::emptyControlUndo()
{
    if (m_control != nullptr)
        m_control->emptyUndoBuffer();
}

bool QuilloryDoc::deleteBytes(bool backward)
{
    const CharRange sel = controlSelection();
    if (!m_storage.wouldDelete(sel, backward))
        return false;
    emptyControlUndo();
    m_storage.deleteAt(sel, backward);
    return true;
}

bool QuilloryDoc::insertByte(std::uint8_t b)
{
    const CharRange sel = controlSelection();
    emptyControlUndo();
    return m_storage.insertAt(sel, b);
}

bool QuilloryDoc::overwriteByte(std::uint8_t b)
{
    emptyControlUndo();
    return m_storage.overwriteAt(controlSelection(), b);
}

void QuilloryDoc::copyBytes()
{
    m_storage.copyAt(controlSelection());
}

bool QuilloryDoc::pasteBytes()
{
    if (!m_storage.hasClip())
        return false;
    emptyControlUndo();
    return m_storage.pasteAt(controlSelection());
}

bool QuilloryDoc::undoBytes()
{
    return m_storage.undo();
}

}  // namespace quillory
