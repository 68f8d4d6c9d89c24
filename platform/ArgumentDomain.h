#pragma once

#include <map>
#include <span>
#include <string>

// The settings given on a process's command line: every argument "-name" followed by a value
// gives the pair (name, value); values are text. Other arguments are skipped. When a name is
// given twice, the later value counts.
namespace Platform::ArgumentDomain {

// `arguments` without the program name.
std::map<std::string, std::string> parse(std::span<const std::string> arguments);

// This process's pairs, read from /proc/self/cmdline on the first call and kept for the run.
const std::map<std::string, std::string>& processArguments();

} // namespace Platform::ArgumentDomain
