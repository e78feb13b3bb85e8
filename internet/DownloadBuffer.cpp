#include "internet/DownloadBuffer.h"

#include <algorithm>
#include <cstring>

namespace quillory {

namespace {
constexpr std::size_t kPieceSize = 4096;  // bytes appended at a time
}  // namespace

DownloadBuffer::~DownloadBuffer()
{
    releaseLocked();
}

bool DownloadBuffer::held() const
{
    std::lock_guard lock(m_mutex);
    return m_bytes != nullptr;
}

std::int32_t DownloadBuffer::length() const
{
    std::lock_guard lock(m_mutex);
    return m_length;
}

std::string DownloadBuffer::contents() const
{
    std::lock_guard lock(m_mutex);
    return m_bytes == nullptr ? std::string()
                              : std::string(reinterpret_cast<const char*>(m_bytes), static_cast<std::size_t>(m_length));
}

bool DownloadBuffer::terminated() const
{
    std::lock_guard lock(m_mutex);
    return m_bytes == nullptr || m_bytes[m_length] == 0;
}

void DownloadBuffer::release()
{
    std::lock_guard lock(m_mutex);
    releaseLocked();
}

void DownloadBuffer::releaseLocked()
{
    m_prefaulter.stop();
    cHeap().release(m_bytes);
    m_bytes = nullptr;
    m_length = 0;
    m_blockBytes = 0;
}

DownloadBuffer::Document DownloadBuffer::take()
{
    std::lock_guard lock(m_mutex);
    m_prefaulter.stop();
    Document document{HeapBlock::adopt(cHeap(), m_bytes, m_blockBytes), m_length};
    m_bytes = nullptr;
    m_length = 0;
    m_blockBytes = 0;
    return document;
}

void DownloadBuffer::restore(Document document)
{
    std::lock_guard lock(m_mutex);
    if (m_bytes != nullptr || !document.block.ok())
        return;
    m_blockBytes = document.block.size();
    m_length = document.length;
    m_bytes = document.block.release();
}

bool DownloadBuffer::beginDocument(const std::atomic<bool>& cancelled, std::int64_t announced, std::int32_t maxLength)
{
    std::lock_guard lock(m_mutex);
    if (cancelled)
        return false;
    if (announced <= 0 || announced > maxLength) {
        releaseLocked();
        return true;
    }
    const std::size_t size = static_cast<std::size_t>(announced) + 1;
    // An unclaimed earlier document of about this size gives the new one its block: its pages are
    // resident already, and fresh memory is what a large download waits for most.
    if (m_bytes != nullptr && m_blockBytes >= size && m_blockBytes / 2 <= size) {
        m_prefaulter.stop();
        m_length = 0;
        m_bytes[0] = 0;
        return true;
    }
    releaseLocked();
    if (auto* block = static_cast<std::uint8_t*>(cHeap().allocPlain(size))) {
        block[0] = 0;
        m_bytes = block;
        m_blockBytes = size;
        // The announced room is made resident beside the transfer rather than by it, a page at a
        // time as bytes arrive; ordinary pages come sooner than huge ones to a thread that asks
        // for all of them at once (measured: the first 200 MB download of a process on a machine
        // whose memory is full of cache took half the time).
        adviseSmallPages(block, size);
        m_prefaulter.start(block, size);
    }
    return true;
}

DownloadBuffer::Append DownloadBuffer::append(const std::atomic<bool>& cancelled, std::span<const std::uint8_t> bytes,
                                              std::int32_t maxLength)
{
    std::lock_guard lock(m_mutex);
    if (cancelled)
        return Append::Cancelled;
    // In whole pieces: when the buffer can take no more, the pieces before stay, as they would
    // after reads of that size.
    for (std::size_t done = 0; done < bytes.size(); done += kPieceSize) {
        if (!appendPiece(bytes.subspan(done, std::min(kPieceSize, bytes.size() - done)), maxLength))
            return Append::Full;
    }
    return Append::Done;
}

bool DownloadBuffer::appendPiece(std::span<const std::uint8_t> bytes, std::int32_t maxLength)
{
    if (bytes.size() > static_cast<std::size_t>(maxLength - m_length))
        return false;
    const std::size_t needed = static_cast<std::size_t>(m_length) + bytes.size() + 1;
    if (needed > m_blockBytes) {
        // While the transfer runs the block grows by a quarter at a time, not by each piece:
        // growing a large block moves it, and moving it every 4 KB would cost more than the
        // transfer itself. Pages past the terminating 0 are never touched, so the spare room
        // costs address space, not memory; finishDocument() gives it back.
        const std::size_t limit = static_cast<std::size_t>(maxLength) + 1;
        m_prefaulter.stop();  // the block may move
        std::size_t size = std::min(limit, std::max(needed, m_blockBytes + m_blockBytes / 4));
        auto* grown = static_cast<std::uint8_t*>(cHeap().grow(m_bytes, size));
        if (grown == nullptr && size > needed) {
            size = needed;
            grown = static_cast<std::uint8_t*>(cHeap().grow(m_bytes, size));
        }
        if (grown == nullptr)
            return false;
        m_bytes = grown;
        m_blockBytes = size;
    }
    std::memcpy(m_bytes + m_length, bytes.data(), bytes.size());
    m_length += static_cast<std::int32_t>(bytes.size());
    m_bytes[m_length] = 0;
    m_prefaulter.writerAt(static_cast<std::size_t>(m_length));
    return true;
}

bool DownloadBuffer::finishDocument(const std::atomic<bool>& cancelled)
{
    std::lock_guard lock(m_mutex);
    if (cancelled)
        return false;
    m_prefaulter.stop();
    const std::size_t exact = static_cast<std::size_t>(m_length) + 1;
    if (m_length == 0) {
        // A document of zero bytes leaves the buffer empty.
        releaseLocked();
        return true;
    }
    if (m_blockBytes != exact) {
        if (auto* shrunk = static_cast<std::uint8_t*>(cHeap().grow(m_bytes, exact))) {
            m_bytes = shrunk;
            m_blockBytes = exact;
        }
    }
    return true;
}

void DownloadBuffer::stopWriter(std::atomic<bool>& cancelled)
{
    std::lock_guard lock(m_mutex);
    cancelled = true;
}

}  // namespace quillory
