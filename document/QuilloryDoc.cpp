#include "document/QuilloryDoc.h"

#include <algorithm>
#include <cstring>

#include "base/Paths.h"
#include "document/ByteClassifier.h"
#include "document/ReadOnlyFile.h"
#include "editcore/Utf8.h"

namespace quillory {

namespace {
constexpr const char* kCannotOpen = "Cannot Open or Read Selected File!";
constexpr const char* kNotEnoughMemory = "Not enough memory!";
}  // namespace

CQuilloryDoc::CQuilloryDoc(IMessageBoxes& messageBoxes, IByteHeap& heap)
    : ByteStorage(heap), m_messageBoxes(messageBoxes)
{
}

void CQuilloryDoc::attachView(IDocumentView* view)
{
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CQuilloryDoc::detachView(IDocumentView* view)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void CQuilloryDoc::SetTitle(const std::string& title)
{
    m_strTitle = title;
    if (m_host != nullptr)
        m_host->titleChanged(title);
}

void CQuilloryDoc::UpdateAllViews()
{
    for (IDocumentView* view : m_views)
        view->OnUpdate();
}

bool CQuilloryDoc::OnNewDocument()
{
    m_szFileName[0] = '\0';
    releaseStorage();
    m_bText = 1;
    m_encoding = TextEncoding::Utf8;
    m_bSaved = 1;
    releaseClip();
    releaseUndo();
    SetTitle("Untitled");
    UpdateAllViews();
    return true;
}

bool CQuilloryDoc::LoadFile(const std::string& path)
{
    ReadOnlyFile file;
    if (!file.open(path)) {
        AfxMessageBox(m_messageBoxes, kCannotOpen, MessageIcon::Exclamation);
        return false;
    }
    // The new block is allocated before the old storage goes, so that a refusal leaves the
    // document, and a BINARY file still shown, intact.
    std::uint8_t* block = nullptr;
    const std::size_t blockBytes = static_cast<std::size_t>(file.size()) + 1 + kHandOverSlack;
    if (file.size() <= kMaxLength)
        block = static_cast<std::uint8_t*>(heap().allocZeroed(blockBytes));
    if (block == nullptr) {
        AfxMessageBox(m_messageBoxes, kNotEnoughMemory, MessageIcon::Exclamation);
        return false;
    }
    const auto fileLength = static_cast<std::int32_t>(file.size());
    adoptBlock(block, fileLength, blockBytes);
    beginWaitCursor();
    setFileNameAndDir(path);
    SetTitle(m_szFileName);

    m_nLength = static_cast<std::int32_t>(file.read(m_pBytes, static_cast<std::size_t>(fileLength)));
    m_pBytes[m_nLength] = 0;
    m_bText = isBinary(m_pBytes, static_cast<std::size_t>(m_nLength)) ? 0 : 1;
    if (m_bText == 0)
        makeDisplayCopy(m_pBytes, static_cast<std::size_t>(m_nLength));
    else
        m_encoding = utf8::isValid(m_pBytes, static_cast<std::size_t>(m_nLength)) ? TextEncoding::Utf8
                                                                                  : TextEncoding::Windows1252;
    UpdateAllViews();

    if (m_bText == 1) {
        releaseStorage();
    } else {
        // The same block now takes the true bytes, so the file is held only once.
        m_pBytes[0] = 0;
        const std::size_t got = file.seekToStart() ? file.read(m_pBytes, static_cast<std::size_t>(m_nLength)) : 0;
        m_nLength = static_cast<std::int32_t>(got);
        m_pBytes[m_nLength] = 0;
        m_nCapacity = m_nLength;
    }
    endWaitCursor();
    return true;
}

void CQuilloryDoc::setFileNameAndDir(const std::string& given)
{
    // Kept absolute: the Split/Join dialog may change the current directory later.
    const std::string path = absolutePath(given);
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t nameLength = std::min(name.size(), sizeof m_szFileName - 1);
    std::memcpy(m_szFileName, name.data(), nameLength);
    m_szFileName[nameLength] = '\0';
    m_strDir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void CQuilloryDoc::beginWaitCursor()
{
    if (m_host != nullptr)
        m_host->beginWaitCursor();
}

void CQuilloryDoc::endWaitCursor()
{
    if (m_host != nullptr)
        m_host->endWaitCursor();
}

CharRange CQuilloryDoc::controlSelection() const
{
    return m_control != nullptr ? m_control->GetSel() : CharRange{};
}

void CQuilloryDoc::emptyControlUndo()
{
    if (m_control != nullptr)
        m_control->EmptyUndoBuffer();
}

bool CQuilloryDoc::DeleteBytes(int backward)
{
    const CharRange sel = controlSelection();
    if (!wouldDelete(sel, backward != 0))
        return false;
    emptyControlUndo();
    deleteAt(sel, backward != 0);
    return true;
}

bool CQuilloryDoc::InsertByte(std::uint8_t b)
{
    const CharRange sel = controlSelection();
    emptyControlUndo();
    return insertAt(sel, b);
}

bool CQuilloryDoc::OverwriteByte(std::uint8_t b)
{
    emptyControlUndo();
    return overwriteAt(controlSelection(), b);
}

void CQuilloryDoc::CopyBytes()
{
    copyAt(controlSelection());
}

bool CQuilloryDoc::PasteBytes()
{
    if (m_pClip == nullptr)
        return false;
    emptyControlUndo();
    return pasteAt(controlSelection());
}

bool CQuilloryDoc::UndoBytes()
{
    return undo();
}

}  // namespace quillory
