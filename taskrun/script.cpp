#include "taskrun/script.h"

#include "support/process.h"
#include "support/strings.h"

namespace taskrun {
namespace {

// The command's own switches ("/Q", "/a:r"); any other word is a path, "/abs/path" among them.
bool isSwitch(const std::string& command, const std::string& word) {
  if (word.size() < 2 || word.front() != '/') return false;
  std::string name = support::toUpper(word.substr(1));
  if (command == "copy") {
    return name == "A" || name == "B" || name == "V" || name == "N" || name == "Y" || name == "-Y" || name == "Z" ||
           name == "L" || name == "D";
  }
  if (name == "P" || name == "F" || name == "S" || name == "Q") return true;
  if (name == "A") return true;
  if (name.size() > 2 && name[0] == 'A' && name[1] == ':') {
    return name.find_first_not_of("RHSAIL-", 2) == std::string::npos;
  }
  return false;
}

std::vector<std::string> withoutSwitches(const std::string& command, const std::vector<std::string>& words) {
  std::vector<std::string> result;
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (!words[i].empty() && !isSwitch(command, words[i])) result.push_back(support::localPathText(words[i]));
  }
  return result;
}

bool isDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// An absolute path of this system, which a copy may read.
bool absoluteHere(const std::string& path) {
#ifdef _WIN32
  bool drive = path.size() >= 3 && isDriveLetter(path[0]) && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
  bool network = path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/');
  return drive || network;
#else
  return !path.empty() && path.front() == '/';
#endif
}

bool isInside(const std::filesystem::path& inner, const std::filesystem::path& outer) {
  std::filesystem::path relative = inner.lexically_relative(outer);
  return !relative.empty() && *relative.begin() != "..";
}

}  // namespace

std::vector<std::string> batchWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, inWord = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word.push_back(c);
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

std::vector<ScriptAction> scriptActions(const std::vector<ScriptLine>& script) {
  std::vector<ScriptAction> actions;
  for (const ScriptLine& scriptLine : script) {
    std::string text = support::trim(scriptLine.text);
    if (!text.empty() && text.front() == '@') text = support::trim(text.substr(1));
    std::vector<std::string> words = batchWords(text);
    if (words.empty()) continue;
    std::string command = support::toLower(words.front());
    if (command == "rem" || command == "::" || ((command == "echo") && words.size() == 2 &&
                                                  (support::equalsIgnoreCase(words[1], "off") ||
                                                   support::equalsIgnoreCase(words[1], "on")))) {
      continue;
    }
    if (command == "del" || command == "erase") {
      actions.push_back({ScriptAction::Kind::remove, withoutSwitches("del", words), {}, scriptLine.line, text});
    } else if (command == "copy") {
      std::vector<std::string> paths = withoutSwitches(command, words);
      if (paths.size() == 1) paths.push_back(".");
      actions.push_back({ScriptAction::Kind::copy, paths, {}, scriptLine.line, text});
    } else if (!actions.empty() && actions.back().kind == ScriptAction::Kind::shell) {
      actions.back().shellText += "\n" + text;
    } else {
      actions.push_back({ScriptAction::Kind::shell, {}, text, scriptLine.line, {}});
    }
  }
  return actions;
}

ScriptPath pathInFolder(const std::filesystem::path& folder, const std::string& written, PathUse use) {
  namespace fs = std::filesystem;
  if (use == PathUse::read && absoluteHere(written)) return {fs::path(written), {}};
  if (written.size() >= 2 && isDriveLetter(written[0]) && written[1] == ':') {
    return {{}, "names a drive, outside the evaluation folder"};
  }
  if (!written.empty() && (written.front() == '/' || written.front() == '\\')) {
    return {{}, "is a rooted path, outside the evaluation folder"};
  }
  // Lexically: ".." may not climb above the folder.
  fs::path path = folder;
  int depth = 0;
  for (const std::string& part : support::split(support::replaceAll(written, "\\", "/"), "/")) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (depth == 0) return {{}, "leads outside the evaluation folder"};
      --depth;
      path = path.parent_path();
      continue;
    }
    ++depth;
    path /= part;
  }
  // Through links: the folder that is read, written or removed from must lie inside once
  // every link is followed. A link as the last part is itself removed or replaced, never
  // followed, except for a copy into a folder or from a file.
  std::error_code error;
  fs::path resolved = use == PathUse::read || (use == PathUse::write && fs::is_directory(path, error)) || depth == 0
                          ? path
                          : path.parent_path();
  fs::path real = fs::weakly_canonical(resolved, error);
  fs::path realFolder = fs::weakly_canonical(folder, error);
  if (!isInside(real, realFolder)) return {{}, "leads outside the evaluation folder through a symbolic link"};
  return {path, {}};
}

}  // namespace taskrun
