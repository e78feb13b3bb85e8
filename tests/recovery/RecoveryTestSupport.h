#pragma once
// Shared by the recovery tests: a plain model of a document's edits, journals made by hand, the
// replay of a journal file.

#include <cstdint>
#include <random>
#include <span>
#include <string>

#include "recovery/JournalReplay.h"

namespace quillory::test {

struct Edit {
    std::uint64_t offset = 0;
    std::uint64_t removed = 0;
    std::string inserted;
};

// Applies edit to the model.
void applyTo(std::string& model, const Edit& edit);

// A random edit that fits a document of size bytes: mostly small, now and then a large one.
Edit randomEdit(std::mt19937& random, std::uint64_t size);

std::span<const std::uint8_t> bytesSpan(const std::string& text);

// The identity of the file at path, which must exist.
BaseIdentity identityOf(const std::string& path);

// A header for the file at path (empty: untitled) with its checksum.
JournalHeader headerFor(const std::string& path, const std::string& content);

// The replayed bytes as a string; outcome must be Recovered.
std::string replayedText(const ReplayedDocument& document);

// Replays the journal file at path.
ReplayedDocument replayFile(const std::string& path, ReplayFrom from = ReplayFrom::Base);

}  // namespace quillory::test
