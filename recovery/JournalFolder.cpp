#include "recovery/JournalFolder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillory {

namespace {

constexpr std::size_t kNameLetters = 20;
constexpr std::size_t kReadPiece = 1 << 20;
constexpr std::time_t kFreshTemporarySeconds = 60;

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Whether name is "<20 letters or digits>" followed by exactly suffix.
bool isJournalName(const std::string& name, const std::string& suffix)
{
    if (name.size() != kNameLetters + suffix.size() || !endsWith(name, suffix))
        return false;
    return std::all_of(name.begin(), name.begin() + kNameLetters,
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); });
}

// Opens name in the folder only if it is a regular file of ours; never a link, pipe or device.
FileDescriptor openOwnRegular(int folder, const char* name, struct stat& status)
{
    struct stat before {};
    if (::fstatat(folder, name, &before, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(before.st_mode) ||
        before.st_uid != ::geteuid())
        return {};
    FileDescriptor file(::openat(folder, name, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid() ||
        status.st_ino != before.st_ino || status.st_dev != before.st_dev)
        return {};
    return file;
}

bool takeLock(int file)
{
    int result;
    do {
        result = ::flock(file, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

}  // namespace

std::string recoveryFolderFromEnvironment()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/')
        return std::string(state) + "/quillory/recovery";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::string(home) + "/.local/state/quillory/recovery";
    return {};
}

bool ensurePrivateFolder(const std::string& folder)
{
    if (folder.empty()) {
        errno = ENOENT;
        return false;
    }
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string prefix = folder.substr(0, slash);
        if (!prefix.empty() && prefix.back() != '/' && ::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0)
        return false;
    if (!S_ISDIR(status.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return (status.st_mode & 07777) == 0700 || ::chmod(folder.c_str(), 0700) == 0;
}

std::vector<OrphanJournal> claimOrphanJournals(const std::string& folder)
{
    std::vector<OrphanJournal> orphans;
    FileDescriptor folderFile(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFile)
        return orphans;
    DIR* listing = ::fdopendir(::fcntl(folderFile.get(), F_DUPFD_CLOEXEC, 0));
    if (listing == nullptr)
        return orphans;
    const std::string tmpSuffix = std::string(kJournalSuffix) + ".tmp";
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        const bool isTmp = isJournalName(name, tmpSuffix);
        if (!isTmp && !isJournalName(name, kJournalSuffix))
            continue;
        struct stat status {};
        FileDescriptor file = openOwnRegular(folderFile.get(), name.c_str(), status);
        // A fresh temporary may be one a live writer has just made and not yet locked.
        if (!file || (isTmp && status.st_mtim.tv_sec + kFreshTemporarySeconds > std::time(nullptr)) ||
            !takeLock(file.get()))
            continue;
        if (isTmp) {
            // Left by an editor that died while making or rewriting a journal.
            ::unlinkat(folderFile.get(), name.c_str(), 0);
            continue;
        }
        OrphanJournal orphan;
        orphan.path = folder + "/" + name;
        orphan.file = std::move(file);
        orphan.modifiedNs = std::int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec;
        orphan.size = static_cast<std::uint64_t>(status.st_size);
        orphans.push_back(std::move(orphan));
    }
    ::closedir(listing);
    std::sort(orphans.begin(), orphans.end(),
              [](const OrphanJournal& a, const OrphanJournal& b) { return a.modifiedNs > b.modifiedNs; });
    return orphans;
}

bool readWholeJournal(const OrphanJournal& journal, std::string& bytes)
{
    bytes.clear();
    std::uint64_t offset = 0;
    for (;;) {
        bytes.resize(offset + kReadPiece);
        const ssize_t got = ::pread(journal.file.get(), bytes.data() + offset, kReadPiece, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            bytes.resize(offset);
            return got == 0;
        }
        offset += static_cast<std::uint64_t>(got);
    }
}

}  // namespace quillory
