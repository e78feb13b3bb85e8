#include "recovery/FastHash.h"

#include <algorithm>
#include <cstring>

namespace quillory {

namespace {

// Odd constants with well-spread bits (the fractional parts of a few square roots).
constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ull;
constexpr std::uint64_t kPrime4 = 0x85EBCA77C2B2AE63ull;
constexpr std::uint64_t kPrime5 = 0x27D4EB2F165667C5ull;
constexpr std::uint64_t kChainSeed = 0x51C0FFEE5EEDF00Dull;

// contentChecksum() chains the hash over blocks of this size, so that a checksum made of pieces
// needs to keep at most one block.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

std::uint64_t load64(const std::uint8_t* p)
{
    std::uint64_t value;
    std::memcpy(&value, p, sizeof value);
    return value;  // the program runs on little-endian machines only; the value is a hash input
}

std::uint32_t load32(const std::uint8_t* p)
{
    std::uint32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

std::uint64_t rotl(std::uint64_t value, int bits)
{
    return (value << bits) | (value >> (64 - bits));
}

std::uint64_t round(std::uint64_t lane, std::uint64_t input)
{
    lane += input * kPrime2;
    return rotl(lane, 31) * kPrime1;
}

std::uint64_t mergeLane(std::uint64_t hash, std::uint64_t lane)
{
    hash ^= round(0, lane);
    return hash * kPrime1 + kPrime4;
}

std::uint64_t finalise(std::uint64_t hash)
{
    hash ^= hash >> 33;
    hash *= kPrime2;
    hash ^= hash >> 29;
    hash *= kPrime3;
    hash ^= hash >> 32;
    return hash;
}

// The hash of one piece: four lanes over 32-byte stripes, then the tail, the length mixed in.
std::uint64_t fastHash(const std::uint8_t* p, std::size_t size, std::uint64_t seed)
{
    const std::uint8_t* const end = p + size;
    std::uint64_t hash;
    if (size >= 32) {
        std::uint64_t v1 = seed + kPrime1 + kPrime2;
        std::uint64_t v2 = seed + kPrime2;
        std::uint64_t v3 = seed;
        std::uint64_t v4 = seed - kPrime1;
        for (; end - p >= 32; p += 32) {
            v1 = round(v1, load64(p));
            v2 = round(v2, load64(p + 8));
            v3 = round(v3, load64(p + 16));
            v4 = round(v4, load64(p + 24));
        }
        hash = rotl(v1, 1) + rotl(v2, 7) + rotl(v3, 12) + rotl(v4, 18);
        hash = mergeLane(hash, v1);
        hash = mergeLane(hash, v2);
        hash = mergeLane(hash, v3);
        hash = mergeLane(hash, v4);
    } else {
        hash = seed + kPrime5;
    }
    hash += static_cast<std::uint64_t>(size);
    for (; end - p >= 8; p += 8)
        hash = rotl(hash ^ round(0, load64(p)), 27) * kPrime1 + kPrime4;
    if (end - p >= 4) {
        hash = rotl(hash ^ (std::uint64_t{load32(p)} * kPrime1), 23) * kPrime2 + kPrime3;
        p += 4;
    }
    for (; p < end; ++p)
        hash = rotl(hash ^ (*p * kPrime5), 11) * kPrime1;
    return finalise(hash);
}

std::uint64_t finishChain(std::uint64_t chain, std::uint64_t length)
{
    return finalise(chain ^ rotl(length * kPrime3, 17) ^ kPrime4);
}

}  // namespace

std::uint64_t contentChecksum(std::span<const std::uint8_t> bytes)
{
    std::uint64_t chain = kChainSeed;
    for (std::size_t at = 0; at < bytes.size(); at += kBlockBytes)
        chain = fastHash(bytes.data() + at, std::min(kBlockBytes, bytes.size() - at), chain);
    return finishChain(chain, bytes.size());
}

ContentChecksum::ContentChecksum() : m_chain(kChainSeed)
{}

void ContentChecksum::add(std::span<const std::uint8_t> bytes)
{
    m_length += bytes.size();
    const std::uint8_t* p = bytes.data();
    std::size_t left = bytes.size();
    if (!m_partial.empty()) {
        const std::size_t take = std::min(left, kBlockBytes - m_partial.size());
        m_partial.insert(m_partial.end(), p, p + take);
        p += take;
        left -= take;
        if (m_partial.size() < kBlockBytes)
            return;
        m_chain = fastHash(m_partial.data(), m_partial.size(), m_chain);
        m_partial.clear();
    }
    // Whole blocks are hashed where they lie; only a block's beginning is kept.
    for (; left >= kBlockBytes; p += kBlockBytes, left -= kBlockBytes)
        m_chain = fastHash(p, kBlockBytes, m_chain);
    if (left > 0) {
        m_partial.reserve(kBlockBytes);
        m_partial.assign(p, p + left);
    }
}

std::uint64_t ContentChecksum::value() const
{
    std::uint64_t chain = m_chain;
    if (!m_partial.empty())
        chain = fastHash(m_partial.data(), m_partial.size(), chain);
    return finishChain(chain, m_length);
}

}  // namespace quillory
