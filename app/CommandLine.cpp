#include "app/CommandLine.h"

#include <algorithm>

namespace quillory {

std::string commandLineTail(const std::vector<std::string>& arguments)
{
    std::string tail;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (i > 1)
            tail += ' ';
        tail += arguments[i];
    }
    return tail;
}

std::string commandLineTail(int argc, const char* const* argv)
{
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(std::max(argc, 0)));
    for (int i = 0; i < argc; ++i)
        arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
    return commandLineTail(arguments);
}

}  // namespace quillory
