#pragma once
// A file-dialog double: records every request and answers from a prepared script (nothing left:
// the user cancels).

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/FileDialogs.h"

namespace quillory::test {

class ScriptedFileDialogs final : public IFileDialogs {
public:
    void choosePath(std::string path) { answers.push_back(std::move(path)); }
    void cancel() { answers.push_back(std::nullopt); }
    std::optional<std::string> choose(const FileDialogRequest& request) override
    {
        requests.push_back(request);
        if (whileOpen)
            whileOpen();
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<std::optional<std::string>> answers;  // nothing = Cancel
    std::function<void()> whileOpen;                 // runs while the dialog "is open", before it answers
    std::vector<FileDialogRequest> requests;
};

}  // namespace quillory::test
