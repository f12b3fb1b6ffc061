#include "nastran/deck_error.h"

namespace nastran {

std::string problemMessage(std::string_view file, std::uint32_t line, std::string_view subject,
                           std::string_view reason) {
  std::string message(file);
  if (line > 0) message += ":" + std::to_string(line);
  if (!subject.empty()) {
    if (!message.empty()) message += ": ";
    message += subject;
  }
  if (!message.empty()) message += ": ";
  message += reason;
  return message;
}

DeckError::DeckError(std::string file, std::uint32_t line, std::string subject, std::string reason)
    : std::runtime_error(problemMessage(file, line, subject, reason)),
      file_(std::move(file)),
      line_(line),
      subject_(std::move(subject)),
      reason_(std::move(reason)) {}

DeckError::DeckError(const std::vector<std::string>& files, Location at, std::string subject, std::string reason)
    : DeckError(at.file < files.size() ? files[at.file] : std::string(), at.line, std::move(subject),
                std::move(reason)) {}

}  // namespace nastran
