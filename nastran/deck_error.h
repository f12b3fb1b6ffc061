#pragma once
// Where something stands in a deck, and the failure that names it.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace nastran {

// A file of the deck (an index into the deck's file names, 0 being the deck itself) and a line
// in it, counted from 1. Line 0 stands for the file as a whole.
struct Location {
  std::uint32_t file = 0;
  std::uint32_t line = 0;
  friend bool operator==(const Location&, const Location&) = default;
};

// "file:line: subject: reason", leaving out the parts that are empty or 0: every message about
// a place in a deck is made here.
std::string problemMessage(std::string_view file, std::uint32_t line, std::string_view subject,
                           std::string_view reason);

// A deck that cannot be taken as it stands: what is wrong and where, in words a user can act on.
class DeckError : public std::runtime_error {
 public:
  DeckError(std::string file, std::uint32_t line, std::string subject, std::string reason);
  // The same at a location of a deck whose file names are `files`.
  DeckError(const std::vector<std::string>& files, Location at, std::string subject, std::string reason);

  const std::string& file() const { return file_; }
  std::uint32_t line() const { return line_; }
  const std::string& subject() const { return subject_; }  // the card or statement, e.g. "CROD 5"
  const std::string& reason() const { return reason_; }

 private:
  std::string file_;
  std::uint32_t line_ = 0;
  std::string subject_;
  std::string reason_;
};

}  // namespace nastran
