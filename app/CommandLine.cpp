#include "app/CommandLine.h"

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
    for (int i = 0; i < argc; ++i)
        arguments.emplace_back(argv[i] != nullptr ? argv[i] : "");
    return commandLineTail(arguments);
}

}  // namespace quillory
