#include "CommandLineWords.h"

#include <CLI/CLI.hpp>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "Command.h"
#include "contract/Text.h"
#include "hostlib/HostSettings.h"

namespace lumora::cli {
namespace {

std::string Unknown(const char* what, const std::string& word,
                    const std::vector<std::string>& candidates) {
  std::string text = std::string("unknown ") + what + " '" + word + "'";
  if (const std::string near = Nearest(word, candidates); !near.empty()) {
    text += "; did you mean '" + near + "'?";
  }
  return text;
}

// Every spelling of the options of `app`, with their dashes: "--registry", "-h".
std::vector<std::string> OptionSpellings(const CLI::App& app) {
  std::vector<std::string> spellings;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_lnames()) spellings.push_back("--" + name);
    for (const std::string& name : option->get_snames()) spellings.push_back("-" + name);
  }
  return spellings;
}

// The option word `arg` without a value given after '=' ("--registry=none" -> "--registry"),
// or "" when `arg` is not an option word.
std::string OptionWord(const std::string& arg) {
  if (arg.size() < 2 || arg[0] != '-') return {};
  if (std::isdigit(static_cast<unsigned char>(arg[1]))) return {};  // "-1" is a value
  if (arg[1] != '-') return arg.substr(0, 2);                       // "-V", "-h"
  return arg.substr(0, arg.find('='));
}

std::string UnknownOption(const CLI::App& app, const std::string& arg) {
  const std::string word = OptionWord(arg);
  if (word.empty() || word == "--") return {};
  const std::vector<std::string> spellings = OptionSpellings(app);
  if (std::find(spellings.begin(), spellings.end(), word) != spellings.end()) return {};
  return Unknown("option", word, spellings);
}

}  // namespace

size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t cost = EqualsIgnoringAsciiCase(a.substr(i - 1, 1), b.substr(j - 1, 1)) ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

std::string Nearest(const std::string& word, const std::vector<std::string>& candidates) {
  std::string best;
  size_t bestDistance = 0;
  for (const std::string& candidate : candidates) {
    const size_t distance = EditDistance(word, candidate);
    if (best.empty() || distance < bestDistance) {
      best = candidate;
      bestDistance = distance;
    }
  }
  // A slip: at most two edits, and fewer than half of the word's letters.
  const size_t letters = word.size() - std::min(word.find_first_not_of('-'), word.size());
  if (best.empty() || bestDistance > 2 || 2 * bestDistance >= letters) return {};
  return best;
}

std::string UnknownRegistrySource(const std::string& value) {
  std::vector<std::string> sources = {"unixodbc", "wine", "none"};
  if (sources.front() != DefaultRegistrySource())
    sources.insert(sources.begin(), DefaultRegistrySource());
  if (std::find(sources.begin(), sources.end(), value) != sources.end()) return {};
  // A path, or a file or folder that is there: its reader says what is wrong with it.
  struct stat st {};
  if (value.find_first_of("/\\") != std::string::npos || value.ends_with(".reg") ||
      ::stat(value.c_str(), &st) == 0) {
    return {};
  }
  return Unknown("registry source", value, sources) +
         " (--registry takes unixodbc, wine, none, a registry export FILE.reg or a Wine prefix "
         "DIR, and there is no file or folder '" +
         value + "')";
}

std::string JoinCommandNames() {
  std::string text;
  const std::vector<Command>& commands = Commands();
  for (size_t i = 0; i < commands.size(); ++i) {
    if (i > 0) text += i + 1 == commands.size() ? " or " : ", ";
    text += commands[i].name;
  }
  return text;
}

std::string CommandOf(const CLI::App& app, int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.empty() || arg[0] == '-') continue;
    for (const CLI::App* sub : app.get_subcommands({})) {
      if (sub->get_name() == arg) return arg;
    }
    return {};
  }
  return {};
}

std::string MisspeltWord(const CLI::App& app, int argc, char** argv) {
  const CLI::App* command = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") return {};  // what follows is not an option
    if (command == nullptr) {
      if (!arg.empty() && arg[0] == '-') {
        if (std::string unknown = UnknownOption(app, arg); !unknown.empty()) return unknown;
        continue;
      }
      std::vector<std::string> names;
      for (const CLI::App* sub : app.get_subcommands({})) {
        if (sub->get_name() == arg) command = sub;
        names.push_back(sub->get_name());
      }
      if (command == nullptr) return Unknown("command", arg, names);
      continue;
    }
    if (std::string unknown = UnknownOption(*command, arg); !unknown.empty()) return unknown;
  }
  return {};
}

}  // namespace lumora::cli
