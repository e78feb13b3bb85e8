#pragma once
// Small pieces every benchmark uses: a message box that only prints, dialogs that are always
// cancelled, and the process's peak memory.

#include <cstdio>
#include <sys/resource.h>

#include <optional>
#include <string>

#include "base/FileDialogs.h"
#include "base/FontColorDialogs.h"
#include "base/MessageBox.h"

namespace quillory::bench {

// Message boxes are printed to stderr and answered with OK.
class PrintedMessageBoxes final : public IMessageBoxes {
public:
    MessageResult show(const MessageBoxRequest& request) override
    {
        std::fprintf(stderr, "message box: %s\n", request.text.c_str());
        return MessageResult::Ok;
    }
};

// The font, colour and file dialogs, each cancelled at once.
class NoDialogs final : public IFontColorDialogs {
public:
    std::optional<CharFormat> chooseFont(const CharFormat&) override { return std::nullopt; }
    std::optional<ColorRef> chooseColor(ColorRef) override { return std::nullopt; }
};

class NoFileDialogs final : public IFileDialogs {
public:
    std::optional<std::string> choose(const FileDialogRequest&) override { return std::nullopt; }
};

// The most memory this process has held, in MB.
inline double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace quillory::bench
