// The words of a command line that the parser would only call "not expected": a command or an
// option that does not exist, answered with the nearest one that does.
#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace lumora::cli {

// The number of single-character edits (insert, delete, replace, swap of neighbours) that turn
// `a` into `b`, a letter in the other case counting as the same.
size_t EditDistance(const std::string& a, const std::string& b);

// The candidate nearest to `word` when it is near enough to be a slip of the keyboard, else "".
std::string Nearest(const std::string& word, const std::vector<std::string>& candidates);

// "" when `value` may be given as --registry: a source's name, or a path (whose reader checks
// it). Otherwise "unknown registry source 'Wine'; did you mean 'wine'? (--registry takes ...)".
std::string UnknownRegistrySource(const std::string& value);

// "build, show, wizard, register or unregister"
std::string JoinCommandNames();

// The command named on the command line, or "" when there is none.
std::string CommandOf(const CLI::App& app, int argc, char** argv);

// "unknown command 'shwo'; did you mean 'show'?" or "unknown option '--regsitry'; did you mean
// '--registry'?" for the first word that names no command or option; "" when there is none.
std::string MisspeltWord(const CLI::App& app, int argc, char** argv);

}  // namespace lumora::cli
