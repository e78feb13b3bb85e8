#include "internet/DownloadGlobals.h"

#include <cstring>

namespace quillory {

std::mutex g_csDownload;
std::string g_strUrl;
std::uint8_t* g_pDownload = nullptr;
std::int32_t g_nDownloadLen = 0;

namespace {
std::size_t g_downloadBlockBytes = 0;  // bytes allocated for g_pDownload (at least length + 1)
}  // namespace

void releaseDownload()
{
    cHeap().release(g_pDownload);
    g_pDownload = nullptr;
    g_nDownloadLen = 0;
    g_downloadBlockBytes = 0;
}

bool appendToDownload(std::span<const std::uint8_t> bytes, std::int32_t maxLength)
{
    if (bytes.empty())
        return true;
    if (bytes.size() > static_cast<std::size_t>(maxLength - g_nDownloadLen))
        return false;
    const std::size_t needed = static_cast<std::size_t>(g_nDownloadLen) + bytes.size() + 1;
    if (needed > g_downloadBlockBytes) {
        // While the transfer runs the block grows by a quarter at a time, not by each chunk:
        // growing a large block moves it, and moving it every 4 KB would cost more than the
        // transfer itself. Pages past the terminating 0 are never touched, so the spare room
        // costs address space, not memory; finishDownload() gives it back.
        const std::size_t limit = static_cast<std::size_t>(maxLength) + 1;
        std::size_t size = std::min(limit, std::max(needed, g_downloadBlockBytes + g_downloadBlockBytes / 4));
        auto* grown = static_cast<std::uint8_t*>(cHeap().grow(g_pDownload, size));
        if (grown == nullptr && size > needed) {
            size = needed;
            grown = static_cast<std::uint8_t*>(cHeap().grow(g_pDownload, size));
        }
        if (grown == nullptr)
            return false;
        g_pDownload = grown;
        g_downloadBlockBytes = size;
    }
    std::memcpy(g_pDownload + g_nDownloadLen, bytes.data(), bytes.size());
    g_nDownloadLen += static_cast<std::int32_t>(bytes.size());
    g_pDownload[g_nDownloadLen] = 0;
    return true;
}

void reserveDownload(std::int64_t expected, std::int32_t maxLength)
{
    if (expected <= g_nDownloadLen || expected > maxLength)
        return;
    const std::size_t size = static_cast<std::size_t>(expected) + 1;
    if (size <= g_downloadBlockBytes)
        return;
    if (auto* grown = static_cast<std::uint8_t*>(cHeap().grow(g_pDownload, size))) {
        if (g_pDownload == nullptr)
            grown[0] = 0;
        g_pDownload = grown;
        g_downloadBlockBytes = size;
    }
}

void finishDownload()
{
    const std::size_t exact = static_cast<std::size_t>(g_nDownloadLen) + 1;
    if (g_pDownload == nullptr || g_downloadBlockBytes == exact)
        return;
    if (auto* shrunk = static_cast<std::uint8_t*>(cHeap().grow(g_pDownload, exact))) {
        g_pDownload = shrunk;
        g_downloadBlockBytes = exact;
    }
}

HeapBlock takeDownload()
{
    HeapBlock block = HeapBlock::adopt(cHeap(), g_pDownload, g_downloadBlockBytes);
    g_pDownload = nullptr;
    g_nDownloadLen = 0;
    g_downloadBlockBytes = 0;
    return block;
}

void restoreDownload(HeapBlock block, std::int32_t length)
{
    if (g_pDownload != nullptr || !block.ok())
        return;
    g_downloadBlockBytes = block.size();
    g_nDownloadLen = length;
    g_pDownload = block.release();
}

}  // namespace quillory
