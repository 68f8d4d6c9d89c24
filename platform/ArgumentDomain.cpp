#include "platform/ArgumentDomain.h"

#include "platform/Files.h"

#include <vector>

namespace Platform::ArgumentDomain {

std::map<std::string, std::string> parse(std::span<const std::string> arguments)
{
    std::map<std::string, std::string> pairs;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const auto& argument = arguments[i];
        if (argument.size() < 2 || argument[0] != '-' || i + 1 >= arguments.size())
            continue;
        pairs[argument.substr(1)] = arguments[i + 1];
        ++i;
    }
    return pairs;
}

const std::map<std::string, std::string>& processArguments()
{
    static const std::map<std::string, std::string> pairs = [] {
        std::vector<std::string> arguments;
        if (auto bytes = readWholeFile("/proc/self/cmdline")) {
            std::string current;
            for (auto byte : *bytes) {
                if (byte == 0) {
                    arguments.push_back(std::move(current));
                    current.clear();
                } else {
                    current += static_cast<char>(byte);
                }
            }
            if (!current.empty())
                arguments.push_back(std::move(current));
        }
        if (arguments.empty())
            return std::map<std::string, std::string>{};
        return parse(std::span<const std::string>(arguments).subspan(1));
    }();
    return pairs;
}

} // namespace Platform::ArgumentDomain
