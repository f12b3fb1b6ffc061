#pragma once
// Typed, named access to the fields of one card, numbered as Nastran numbers them (field 1 is
// the first after the name, and the numbers run on over continuation lines). Every complaint
// goes through fail(), which names the file, the line of the field, the card and the field:
//   plate.dat:15: CROD 5: field 4 (G2) '2.5' is not an integer
//
// Integers and reals are told apart as Nastran does. A field that must be an integer and holds a
// real is refused (the fraction would be lost). A field that must be a real and holds an integer
// is taken as that value: "1" means 1.0 however it is written. Where the kind of a field chooses
// between two meanings (CBAR's X1 or G0, a plate's THETA or MCID, CBEAM's OFFT or BIT), the
// readers of those cards ask kind() and follow Nastran.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nastran/card_assembler.h"
#include "nastran/cards.h"
#include "nastran/numbers.h"

namespace nastran {

class CardReader {
 public:
  CardReader(const RawCard& card, const std::vector<std::string>& files) : card_(card), files_(files) {}

  const RawCard& raw() const { return card_; }
  std::size_t count() const { return card_.count(); }
  // As written (in the case it was written in).
  std::string_view text(std::size_t field) const { return card_.field(field); }
  std::string upperText(std::size_t field) const;
  // Whether the field holds this word (given in upper case), in any case.
  bool is(std::size_t field, std::string_view word) const;
  bool isBlank(std::size_t field) const { return text(field).empty(); }
  FieldKind kind(std::size_t field) const { return classifyField(text(field)); }
  // The card as messages name it: its name and field 1, "CROD 5".
  std::string label() const;

  // At the line of `field` (the card's first line for field 0).
  [[noreturn]] void fail(std::size_t field, const std::string& reason) const;
  // "field n (WHAT) " followed by `problem`.
  [[noreturn]] void failField(std::size_t field, const char* what, const std::string& problem) const;

  int identifier(std::size_t field, const char* what) const {  // an integer > 0
    int value = integer(field, what);
    if (value <= 0) [[unlikely]]
      notPositive(field, what);
    return value;
  }
  int integer(std::size_t field, const char* what) const {
    int value = 0;
    if (!readInteger(field, what, value)) blank(field, what);
    return value;
  }
  int integerOr(std::size_t field, const char* what, int fallback) const {
    int value = 0;
    return readInteger(field, what, value) ? value : fallback;
  }
  std::optional<int> optionalInteger(std::size_t field, const char* what) const {
    int value = 0;
    if (readInteger(field, what, value)) return value;
    return std::nullopt;
  }
  double real(std::size_t field, const char* what) const {
    double value = 0;
    if (!readReal(field, what, value)) blank(field, what);
    return value;
  }
  double realOr(std::size_t field, const char* what, double fallback) const {
    double value = 0;
    return readReal(field, what, value) ? value : fallback;
  }
  std::optional<double> optionalReal(std::size_t field, const char* what) const {
    double value = 0;
    if (readReal(field, what, value)) return value;
    return std::nullopt;
  }
  // The field into `value`: false when it is blank, a complaint when it holds no such number.
  // Most integers are a few digits: those are read here, every other text by parseInteger.
  bool readInteger(std::size_t field, const char* what, int& value) const {
    std::string_view digits = text(field);
    if (digits.empty()) return false;
    if (digits.size() <= 9) {
      unsigned number = 0;  // unsigned: text that is no number may wrap it, harmlessly
      bool plain = true;
      for (char c : digits) {
        unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(c)) - '0';
        plain = plain && digit <= 9;
        number = number * 10 + digit;
      }
      if (plain) {
        value = static_cast<int>(number);
        return true;
      }
    }
    std::optional<int> number = parseInteger(digits);
    if (!number) notInteger(field, what);
    value = *number;
    return true;
  }
  bool readReal(std::size_t field, const char* what, double& value) const {
    std::string_view number = text(field);
    if (number.empty()) return false;
    if (!parseReal(number, value)) notNumber(field, what);
    return true;
  }
  // Digits 1-6 (0 for a scalar point); blank gives none.
  Components components(std::size_t field, const char* what) const;
  Components requiredComponents(std::size_t field, const char* what) const;
  // One component number 0-6 (blank: 0).
  int component(std::size_t field, const char* what) const;
  // A character value, in upper case; blank gives `fallback`.
  std::string word(std::size_t field, const char* what, std::string_view fallback = {}) const;
  // Fields after `last` must be blank: the card has no more.
  void requireBlankAfter(std::size_t last) const;

 private:
  std::string describe(std::size_t field, const char* what) const;
  // The complaints of the readers above, kept out of their way.
  [[noreturn]] void blank(std::size_t field, const char* what) const;
  [[noreturn]] void notPositive(std::size_t field, const char* what) const;
  [[noreturn]] void notInteger(std::size_t field, const char* what) const;
  [[noreturn]] void notNumber(std::size_t field, const char* what) const;

  const RawCard& card_;
  const std::vector<std::string>& files_;
};

}  // namespace nastran
