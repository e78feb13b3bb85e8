#pragma once
// Small pieces every benchmark uses: a message box that only prints, and the process's peak memory.

#include <cstdio>
#include <sys/resource.h>

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

// The most memory this process has held, in MB.
inline double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace quillory::bench
