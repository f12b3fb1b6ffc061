#include "nastran/card_reader.h"

#include "nastran/bulk_format.h"
#include "nastran/text.h"

namespace nastran {

std::string CardReader::label() const {
  std::string label = card_.name;
  if (!isBlank(1)) {
    label += ' ';
    label += text(1);
  }
  return label;
}

std::string CardReader::upperText(std::size_t field) const { return text::upper(text(field)); }

bool CardReader::is(std::size_t field, std::string_view word) const { return text::isWord(text(field), word); }

void CardReader::fail(std::size_t field, const std::string& reason) const {
  throw DeckError(files_, Location{card_.at.file, card_.lineOf(field)}, label(), reason);
}

std::string CardReader::describe(std::size_t field, const char* what) const {
  return "field " + std::to_string(field) + " (" + what + ")";
}

void CardReader::failField(std::size_t field, const char* what, const std::string& problem) const {
  fail(field, describe(field, what) + " " + problem);
}

void CardReader::blank(std::size_t field, const char* what) const { failField(field, what, "is blank"); }

void CardReader::notPositive(std::size_t field, const char* what) const {
  failField(field, what, "must be a positive ID, not " + std::string(text(field)));
}

void CardReader::notInteger(std::size_t field, const char* what) const {
  failField(field, what, "'" + std::string(text(field)) + "' is not an integer");
}

void CardReader::notNumber(std::size_t field, const char* what) const {
  failField(field, what, "'" + std::string(text(field)) + "' is not a number");
}

Components CardReader::components(std::size_t field, const char* what) const {
  std::string_view digits = text(field);
  if (auto components = Components::parse(digits)) return *components;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (digits[i] < '0' || digits[i] > '6')
      failField(field, what, "'" + std::string(digits) + "' must be made of the digits 1 to 6");
    if (digits.find(digits[i]) != i)
      failField(field, what, "'" + std::string(digits) + "' repeats the digit " + std::string(1, digits[i]));
  }
  failField(field, what, "'" + std::string(digits) + "' is not a list of components");
}

Components CardReader::requiredComponents(std::size_t field, const char* what) const {
  if (isBlank(field)) failField(field, what, "is blank");
  return components(field, what);
}

int CardReader::component(std::size_t field, const char* what) const {
  int value = integerOr(field, what, 0);
  if (value < 0 || value > 6) failField(field, what, "must be a component from 0 to 6, not " + std::string(text(field)));
  return value;
}

std::string CardReader::word(std::size_t field, const char* what, std::string_view fallback) const {
  std::string_view value = text(field);
  if (value.empty()) return std::string(fallback);
  if (kind(field) != FieldKind::Character) failField(field, what, "'" + std::string(value) + "' is not a word");
  if (value.size() > format::kLargeFieldWidth)
    failField(field, what, "'" + std::string(value) + "' is longer than a field (16 characters)");
  return upperText(field);
}

void CardReader::requireBlankAfter(std::size_t last) const {
  for (std::size_t field = last + 1; field <= count(); ++field)
    if (!isBlank(field))
      fail(field, "field " + std::to_string(field) + " ('" + std::string(text(field)) + "') is beyond the last field of " +
                      card_.name + " (" + std::to_string(last) + ")");
}

}  // namespace nastran
