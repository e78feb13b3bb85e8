#pragma once
// Where journals live and which ones belong to an editor that died. A running editor holds an
// exclusive flock on each of its journals; the kernel drops it when the process ends, however it
// ends, so a journal whose lock can be taken is an orphan.

#include <cstdint>
#include <string>
#include <vector>

#include "base/FileDescriptor.h"

namespace quillory {

// $XDG_STATE_HOME/quillory/recovery when XDG_STATE_HOME is an absolute path, else
// $HOME/.local/state/quillory/recovery; empty when neither can be made out.
std::string recoveryFolderFromEnvironment();

// Makes folder and its missing parents (0700 for what it makes; folder itself is set to 0700).
// False with errno set when it cannot.
bool ensurePrivateFolder(const std::string& folder);

// Journal files are named "<20 random letters or digits>.journal"; a journal being made or
// rewritten carries ".tmp" at the end until it is complete.
inline constexpr const char* kJournalSuffix = ".journal";

struct OrphanJournal {
    std::string path;
    FileDescriptor file;          // open read-write, holding the journal's lock
    std::int64_t modifiedNs = 0;  // the last write (st_mtim)
    std::uint64_t size = 0;
};

// The journals in folder whose lock nobody holds, newest first, each now locked by the caller
// through its descriptor (so a second editor starting meanwhile does not offer them too). Links,
// folders and files of other users are skipped. Leftover ".tmp" files whose lock can be taken are
// removed once they are a minute old (a writer locks the file it makes just after making it).
std::vector<OrphanJournal> claimOrphanJournals(const std::string& folder);

// Reads the whole journal from its descriptor. False with errno set on a read error.
bool readWholeJournal(const OrphanJournal& journal, std::string& bytes);

}  // namespace quillory
