#include "taskrun/script.h"

#include "support/process.h"
#include "support/strings.h"

namespace taskrun {
namespace {

std::vector<std::string> withoutSwitches(const std::vector<std::string>& words) {
  std::vector<std::string> result;
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (!words[i].empty() && words[i].front() != '/') result.push_back(support::localPathText(words[i]));
  }
  return result;
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
      actions.push_back({ScriptAction::Kind::remove, withoutSwitches(words), {}, scriptLine.line});
    } else if (command == "copy") {
      std::vector<std::string> paths = withoutSwitches(words);
      if (paths.size() == 1) paths.push_back(".");
      actions.push_back({ScriptAction::Kind::copy, paths, {}, scriptLine.line});
    } else if (!actions.empty() && actions.back().kind == ScriptAction::Kind::shell) {
      actions.back().shellText += "\n" + text;
    } else {
      actions.push_back({ScriptAction::Kind::shell, {}, text, scriptLine.line});
    }
  }
  return actions;
}

}  // namespace taskrun
