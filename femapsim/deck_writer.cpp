#include "femapsim/deck_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace femapsim {
namespace {

constexpr std::size_t kSmallField = 8;
constexpr std::size_t kLargeField = 16;

// The text of one field, built without allocating: decks hold a few numbers per entity.
struct FieldText {
  char chars[32];
  std::size_t size = 0;
  std::string_view view() const { return {chars, size}; }
  void push(char c) { chars[size++] = c; }
  void append(std::string_view text) {
    for (char c : text) push(c);
  }
};

// Writes d1.d2...dn x 10^exponent in the shorter of its two Nastran forms: plain ("720.",
// ".001", "12.5") or with an exponent ("1.E+7", "2.5E-12"). Both always hold a ".".
void formatDigits(bool negative, std::string_view digits, int exponent, FieldText& out) {
  out.size = 0;
  if (negative) out.push('-');
  if (digits == "0") {
    out.append("0.");
    return;
  }
  const long count = static_cast<long>(digits.size());
  const long pointAfter = exponent + 1L;  // digits before the point in the plain form
  const long plainSize = pointAfter <= 0 ? 1 - pointAfter + count : pointAfter >= count ? pointAfter + 1 : count + 1;
  const int magnitude = std::abs(exponent);
  const long exponentSize = count + 3 + (magnitude >= 100 ? 3 : magnitude >= 10 ? 2 : 1);
  if (plainSize <= exponentSize) {
    if (pointAfter <= 0) {
      out.push('.');
      for (long i = 0; i < -pointAfter; ++i) out.push('0');
      out.append(digits);
    } else if (pointAfter >= count) {
      out.append(digits);
      for (long i = count; i < pointAfter; ++i) out.push('0');
      out.push('.');
    } else {
      out.append(digits.substr(0, static_cast<std::size_t>(pointAfter)));
      out.push('.');
      out.append(digits.substr(static_cast<std::size_t>(pointAfter)));
    }
    return;
  }
  out.push(digits[0]);
  out.push('.');
  out.append(digits.substr(1));
  out.push('E');
  out.push(exponent < 0 ? '-' : '+');
  char buffer[8];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, magnitude);
  out.append(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

// A real with `precision` significant digits (0: the shortest exact digits).
void formatReal(double value, int precision, FieldText& out) {
  if (!std::isfinite(value)) {
    out.size = 0;
    out.append("0.");
    return;
  }
  char buffer[64];
  std::to_chars_result result =
      precision > 0 ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, precision - 1)
                    : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  bool negative = text.front() == '-';
  if (negative) text.remove_prefix(1);
  std::size_t e = text.find('e');
  char digits[40];
  std::size_t count = 0;
  for (std::size_t i = 0; i < e; ++i) {
    if (text[i] != '.') digits[count++] = text[i];
  }
  while (count > 1 && digits[count - 1] == '0') --count;
  int exponent = 0;
  std::string_view exponentText = text.substr(e + 1);
  bool negativeExponent = exponentText.front() == '-';
  if (exponentText.front() == '+' || negativeExponent) exponentText.remove_prefix(1);
  std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
  formatDigits(negative, std::string_view(digits, count), negativeExponent ? -exponent : exponent, out);
}

// The exact text when it fits `width`, otherwise the most significant digits that fit.
void roundedText(double value, std::size_t width, FieldText& text) {
  formatReal(value, 0, text);
  for (int precision = 17; text.size > width && precision >= 1; --precision) formatReal(value, precision, text);
}

using Field = std::variant<std::monostate, long long, double>;

// Writes cards: small fields when every value fits 8 characters exactly, else large fields.
class CardWriter {
 public:
  explicit CardWriter(std::string& out) : out_(out) {}

  void write(std::string_view name, std::initializer_list<Field> fields) {
    write(name, std::span<const Field>(fields.begin(), fields.size()));
  }
  void write(std::string_view name, std::span<const Field> fields) {
    while (!fields.empty() && std::holds_alternative<std::monostate>(fields.back())) {
      fields = fields.first(fields.size() - 1);
    }
    texts_.resize(fields.size());
    bool small = true;
    for (std::size_t i = 0; i < fields.size(); ++i) {
      exactText(fields[i], texts_[i]);
      small = small && texts_[i].size <= kSmallField;
    }
    if (!small) {
      // Large fields: a real whose exact text is still too long is rounded to fit.
      for (std::size_t i = 0; i < fields.size(); ++i) {
        if (texts_[i].size > kLargeField) roundedText(std::get<double>(fields[i]), kLargeField, texts_[i]);
      }
    }
    std::size_t perLine = small ? 8 : 4;
    out_ += name;
    if (!small) out_ += '*';
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i > 0 && i % perLine == 0) out_ += small ? "\n+" : "\n*";
      out_ += ',';
      out_ += texts_[i].view();
    }
    out_ += '\n';
  }

  std::string& out() { return out_; }

 private:
  static void exactText(const Field& field, FieldText& text) {
    text.size = 0;
    if (const auto* whole = std::get_if<long long>(&field)) {
      auto [end, error] = std::to_chars(text.chars, text.chars + sizeof text.chars, *whole);
      text.size = static_cast<std::size_t>(end - text.chars);
    } else if (const auto* real = std::get_if<double>(&field)) {
      formatReal(*real, 0, text);
    }
  }

  std::string& out_;
  std::vector<FieldText> texts_;
};

Field whole(double value) { return static_cast<long long>(std::llround(value)); }
Field real(double value) { return value; }
Field realOrBlank(double value) { return value == 0 ? Field() : real(value); }

bool inGroup(int code, std::initializer_list<int> group) {
  return std::find(group.begin(), group.end(), code) != group.end();
}
bool isForce(int type) { return inGroup(type, {1, 81, 121, 122, 123, 161, 162, 163}); }
bool isMoment(int type) { return inGroup(type, {2, 82, 124, 125, 126, 164, 165, 166}); }
bool isPressure(int type) {
  return inGroup(type, {13, 14, 42, 92, 93, 101, 138, 144, 145, 178, 184, 185});
}

int chosenSet(const Model& model, std::string_view activeKey, Kind setKind) {
  int active = model.header.integer(activeKey);
  if (active > 0 && model.table(setKind).find(active)) return active;
  const Entity* first = model.table(setKind).next(0);
  return first ? first->id : 0;
}

// The bar's orientation vector: its own, or one that is not parallel to the bar.
std::array<double, 3> orientationOf(const Model& model, const Entity& element) {
  std::array<double, 3> orient{element.element("orient", 0), element.element("orient", 1),
                               element.element("orient", 2)};
  if (orient != std::array<double, 3>{0, 0, 0}) return orient;
  const Entity* a = model.table(Kind::Node).find(static_cast<int>(element.element("node", 0)));
  const Entity* b = model.table(Kind::Node).find(static_cast<int>(element.element("node", 1)));
  if (!a || !b) return {0, 0, 1};
  double dx = b->number("x") - a->number("x"), dy = b->number("y") - a->number("y"),
         dz = b->number("z") - a->number("z");
  bool alongZ = std::abs(dz) > std::hypot(dx, dy);
  return alongZ ? std::array<double, 3>{1, 0, 0} : std::array<double, 3>{0, 0, 1};
}

void writeElement(CardWriter& cards, const Model& model, const Entity& element) {
  int type = element.integer("type");
  int topology = element.integer("topology");
  std::array<Field, 13> fields{whole(element.id), whole(element.number("propID"))};
  auto connected = [&](std::string_view name, std::size_t count, std::size_t extra = 0) {
    for (std::size_t i = 0; i < count; ++i) fields[2 + i] = whole(element.element("node", i));
    cards.write(name, std::span<const Field>(fields.data(), 2 + count + extra));
  };
  if (type == 1 && topology == 0) {
    connected("CROD", 2);
  } else if ((type == 2 || type == 5) && topology == 0) {
    auto [x, y, z] = orientationOf(model, element);
    fields[4] = real(x);
    fields[5] = real(y);
    fields[6] = real(z);
    connected("CBAR", 2, 3);
  } else if ((type == 17 || type == 18) && topology == 4) {
    connected("CQUAD4", 4);
  } else if ((type == 17 || type == 18) && topology == 2) {
    connected("CTRIA3", 3);
  } else if ((type == 25 || type == 26) && topology == 8) {
    connected("CHEXA", 8);
  } else if ((type == 25 || type == 26) && topology == 6) {
    connected("CTETRA", 4);
  } else {
    cards.out() += "$ element " + std::to_string(element.id) + " of type " + std::to_string(type) + " and topology " +
           std::to_string(topology) + " is not written\n";
  }
}

void writeProperty(CardWriter& cards, const Entity& property) {
  int type = property.integer("type");
  Field pid = whole(property.id), mid = whole(property.number("matlID"));
  auto p = [&](std::size_t i) { return property.element("pval", i); };
  if (type == 1) {
    cards.write("PROD", {pid, mid, real(p(0)), realOrBlank(p(4)), realOrBlank(p(5)), realOrBlank(p(7))});
  } else if (type == 2 || type == 5) {
    cards.write("PBAR", {pid, mid, real(p(0)), real(p(1)), real(p(2)), realOrBlank(p(4)), realOrBlank(p(7))});
  } else if (type == 17 || type == 18) {
    cards.write("PSHELL", {pid, mid, real(p(0)), mid, Field(), mid, Field(), realOrBlank(p(7))});
  } else if (type == 25 || type == 26) {
    cards.write("PSOLID", {pid, mid});
  } else {
    cards.out() += "$ property " + std::to_string(property.id) + " of type " + std::to_string(type) + " is not written\n";
  }
}

void writeMaterial(CardWriter& cards, const Entity& material) {
  cards.write("MAT1", {whole(material.id), real(material.number("Ex")), realOrBlank(material.number("Gx")),
                       real(material.number("Nuxy")), realOrBlank(material.number("Density")),
                       realOrBlank(material.number("Alphaxx")), realOrBlank(material.number("RefTemp"))});
}

std::string dofDigits(const Entity& constraint) {
  std::string digits;
  for (std::size_t i = 0; i < 6; ++i) {
    if (constraint.element("dof", i) != 0) digits += static_cast<char>('1' + i);
  }
  return digits;
}

}  // namespace

std::string nastranReal(double value, std::size_t width) {
  FieldText text;
  roundedText(value, width, text);
  return std::string(text.view());
}

std::string formatNastranDeck(const Model& model) {
  std::string out;
  out.reserve(80 * (model.entityCount() + 20));
  int loadSet = chosenSet(model, "activeLoadSet", Kind::LoadSet);
  int constraintSet = chosenSet(model, "activeBCSet", Kind::BcSet);

  // Bulk data first into its own text, so that case control can name what it holds.
  std::string bulk;
  bulk.reserve(out.capacity());
  CardWriter cards(bulk);
  for (const auto& [key, node] : model.table(Kind::Node).entities()) {
    cards.write("GRID", {whole(node.id), Field(), real(node.number("x")), real(node.number("y")), real(node.number("z"))});
  }
  for (const auto& [key, element] : model.table(Kind::Elem).entities()) writeElement(cards, model, element);
  for (const auto& [key, property] : model.table(Kind::Prop).entities()) writeProperty(cards, property);
  for (const auto& [key, material] : model.table(Kind::Matl).entities()) writeMaterial(cards, material);

  bool mechanicalLoads = false, temperatures = false;
  const EntityTable& meshLoads = model.table(Kind::LoadMesh);
  for (const Entity* load = meshLoads.next(0, loadSet); load; load = meshLoads.next(load->id, loadSet)) {
    int type = load->integer("type");
    Field sid = whole(loadSet), target = whole(load->number("meshID"));
    if (isForce(type) || isMoment(type)) {
      cards.write(isForce(type) ? "FORCE" : "MOMENT",
                  {sid, target, whole(0), real(1.0), real(load->element("value", 0)), real(load->element("value", 1)),
                   real(load->element("value", 2))});
      mechanicalLoads = true;
    } else if (isPressure(type)) {
      cards.write("PLOAD4", {sid, target, real(load->element("value", 0))});
      mechanicalLoads = true;
    } else {
      bulk += "$ mesh load " + std::to_string(load->id) + " of type " + std::to_string(type) + " is not written\n";
    }
  }
  const EntityTable& nodeTemperatures = model.table(Kind::NodeTemp);
  for (const Entity* load = nodeTemperatures.next(0, loadSet); load; load = nodeTemperatures.next(load->id, loadSet)) {
    cards.write("TEMP", {whole(loadSet), whole(load->number("meshID")), real(load->number("temp"))});
    temperatures = true;
  }

  std::map<std::string, std::vector<int>> constrained;  // DOF digits -> nodes
  const EntityTable& constraints = model.table(Kind::BcNode);
  for (const Entity* bc = constraints.next(0, constraintSet); bc; bc = constraints.next(bc->id, constraintSet)) {
    std::string digits = dofDigits(*bc);
    if (!digits.empty()) constrained[digits].push_back(bc->id);
  }
  for (const auto& [digits, nodes] : constrained) {
    std::vector<Field> fields{whole(constraintSet), std::stoll(digits)};
    for (int node : nodes) fields.push_back(whole(node));
    cards.write("SPC1", fields);
  }

  std::string title = model.header.text("title");
  out += "$ Nastran deck written by the simulated FEMAP\n";
  out += "SOL 101\nCEND\n";
  out += "TITLE = " + title + "\n";
  out += "ECHO = NONE\n";
  out += "SUBCASE 1\n";
  if (const Entity* set = model.table(Kind::LoadSet).find(loadSet)) {
    out += "  SUBTITLE = " + set->text("title") + "\n";
  }
  if (mechanicalLoads) out += "  LOAD = " + std::to_string(loadSet) + "\n";
  if (temperatures) out += "  TEMPERATURE(LOAD) = " + std::to_string(loadSet) + "\n";
  if (!constrained.empty()) out += "  SPC = " + std::to_string(constraintSet) + "\n";
  out += "  DISPLACEMENT = ALL\n  STRESS = ALL\n";
  out += "BEGIN BULK\n";
  out += bulk;
  out += "ENDDATA\n";
  return out;
}

}  // namespace femapsim
