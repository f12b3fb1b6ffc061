#include "femapsim/deck_writer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <set>
#include <variant>
#include <vector>

namespace femapsim {
namespace {

constexpr std::size_t kSmallField = 8;
constexpr std::size_t kLargeField = 16;

// Scientific digits of a value: mantissa digits without the point and the decimal exponent.
struct Digits {
  bool negative;
  std::string digits;  // at least one digit, no leading zero unless the value is 0
  int exponent;        // value = 0.d1d2d3... * 10^(exponent + 1), i.e. d1.d2d3... * 10^exponent
};

Digits digitsOf(double value, int precision) {
  char buffer[64];
  std::to_chars_result result =
      precision > 0 ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, precision - 1)
                    : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  std::string text(buffer, result.ptr);
  Digits out{false, {}, 0};
  std::size_t i = 0;
  if (text[i] == '-') {
    out.negative = true;
    ++i;
  }
  std::size_t e = text.find('e');
  for (; i < e; ++i) {
    if (text[i] != '.') out.digits += text[i];
  }
  out.exponent = std::stoi(text.substr(e + 1));
  while (out.digits.size() > 1 && out.digits.back() == '0') out.digits.pop_back();
  return out;
}

// The two ways of writing the digits: plain ("720.", ".001", "12.5") and with an exponent
// ("1.E+7", "2.5E-12"); the shorter one is used.
std::string shortestForm(const Digits& d) {
  std::string sign = d.negative ? "-" : "";
  if (d.digits == "0") return "0.";
  // Plain form.
  std::string plain;
  int pointAfter = d.exponent + 1;  // digits before the point
  if (pointAfter <= 0) {
    plain = "." + std::string(static_cast<std::size_t>(-pointAfter), '0') + d.digits;
  } else if (static_cast<std::size_t>(pointAfter) >= d.digits.size()) {
    plain = d.digits + std::string(static_cast<std::size_t>(pointAfter) - d.digits.size(), '0') + ".";
  } else {
    plain = d.digits.substr(0, static_cast<std::size_t>(pointAfter)) + "." +
            d.digits.substr(static_cast<std::size_t>(pointAfter));
  }
  // Exponent form.
  std::string exponentForm = d.digits.substr(0, 1) + "." + d.digits.substr(1) + "E" +
                             (d.exponent < 0 ? "-" : "+") + std::to_string(std::abs(d.exponent));
  return sign + (plain.size() <= exponentForm.size() ? plain : exponentForm);
}

using Field = std::variant<std::monostate, long long, double, std::string>;

struct Card {
  std::string name;
  std::vector<Field> fields;
};

// The exact text of a field: a real in its shortest exact form (may be longer than a field).
std::string exactText(const Field& field) {
  if (std::holds_alternative<std::monostate>(field)) return {};
  if (const auto* whole = std::get_if<long long>(&field)) return std::to_string(*whole);
  if (const auto* real = std::get_if<double>(&field)) {
    return std::isfinite(*real) ? shortestForm(digitsOf(*real, 0)) : std::string("0.");
  }
  return std::get<std::string>(field);
}

void writeCard(std::string& out, Card card) {
  while (!card.fields.empty() && std::holds_alternative<std::monostate>(card.fields.back())) card.fields.pop_back();
  std::vector<std::string> texts;
  texts.reserve(card.fields.size());
  bool small = true;
  for (const Field& field : card.fields) {
    texts.push_back(exactText(field));
    small = small && texts.back().size() <= kSmallField;
  }
  if (!small) {
    // Large fields: a real whose exact text is still too long is rounded to fit.
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (texts[i].size() > kLargeField) {
        if (const auto* real = std::get_if<double>(&card.fields[i])) texts[i] = nastranReal(*real, kLargeField);
      }
    }
  }
  std::size_t perLine = small ? 8 : 4;
  out += card.name;
  if (!small) out += '*';
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i > 0 && i % perLine == 0) out += small ? "\n+" : "\n*";
    out += ',';
    out += texts[i];
  }
  out += '\n';
}

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

std::vector<int> nodesOf(const Entity& element, std::size_t count) {
  std::vector<int> nodes;
  for (std::size_t i = 0; i < count; ++i) nodes.push_back(static_cast<int>(element.element("node", i)));
  return nodes;
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

void writeElement(std::string& out, const Model& model, const Entity& element) {
  int type = element.integer("type");
  int topology = element.integer("topology");
  auto connected = [&](std::string name, std::size_t count) {
    Card card{std::move(name), {whole(element.id), whole(element.number("propID"))}};
    for (int node : nodesOf(element, count)) card.fields.push_back(whole(node));
    return card;
  };
  if (type == 1 && topology == 0) {
    writeCard(out, connected("CROD", 2));
  } else if ((type == 2 || type == 5) && topology == 0) {
    Card card = connected("CBAR", 2);
    auto [x, y, z] = orientationOf(model, element);
    card.fields.insert(card.fields.end(), {real(x), real(y), real(z)});
    writeCard(out, std::move(card));
  } else if ((type == 17 || type == 18) && topology == 4) {
    writeCard(out, connected("CQUAD4", 4));
  } else if ((type == 17 || type == 18) && topology == 2) {
    writeCard(out, connected("CTRIA3", 3));
  } else if ((type == 25 || type == 26) && topology == 8) {
    writeCard(out, connected("CHEXA", 8));
  } else if ((type == 25 || type == 26) && topology == 6) {
    writeCard(out, connected("CTETRA", 4));
  } else {
    out += "$ element " + std::to_string(element.id) + " of type " + std::to_string(type) + " and topology " +
           std::to_string(topology) + " is not written\n";
  }
}

void writeProperty(std::string& out, const Entity& property) {
  int type = property.integer("type");
  Field pid = whole(property.id), mid = whole(property.number("matlID"));
  auto p = [&](std::size_t i) { return property.element("pval", i); };
  if (type == 1) {
    writeCard(out, {"PROD", {pid, mid, real(p(0)), realOrBlank(p(4)), realOrBlank(p(5)), realOrBlank(p(7))}});
  } else if (type == 2 || type == 5) {
    writeCard(out, {"PBAR", {pid, mid, real(p(0)), real(p(1)), real(p(2)), realOrBlank(p(4)), realOrBlank(p(7))}});
  } else if (type == 17 || type == 18) {
    writeCard(out, {"PSHELL", {pid, mid, real(p(0)), mid, Field(), mid, Field(), realOrBlank(p(7))}});
  } else if (type == 25 || type == 26) {
    writeCard(out, {"PSOLID", {pid, mid}});
  } else {
    out += "$ property " + std::to_string(property.id) + " of type " + std::to_string(type) + " is not written\n";
  }
}

void writeMaterial(std::string& out, const Entity& material) {
  writeCard(out, {"MAT1",
                  {whole(material.id), real(material.number("Ex")), realOrBlank(material.number("Gx")),
                   real(material.number("Nuxy")), realOrBlank(material.number("Density")),
                   realOrBlank(material.number("Alphaxx")), realOrBlank(material.number("RefTemp"))}});
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
  if (!std::isfinite(value)) return "0.";
  std::string exact = shortestForm(digitsOf(value, 0));
  if (exact.size() <= width) return exact;
  for (int precision = 17; precision >= 1; --precision) {
    std::string text = shortestForm(digitsOf(value, precision));
    if (text.size() <= width) return text;
  }
  return exact;  // unreachable for widths of 8 and more
}

std::string formatNastranDeck(const Model& model) {
  std::string out;
  out.reserve(80 * (model.entityCount() + 20));
  int loadSet = chosenSet(model, "activeLoadSet", Kind::LoadSet);
  int constraintSet = chosenSet(model, "activeBCSet", Kind::BcSet);

  // Bulk data first into its own text, so that case control can name what it holds.
  std::string bulk;
  for (const auto& [key, node] : model.table(Kind::Node).entities()) {
    writeCard(bulk, {"GRID", {whole(node.id), Field(), real(node.number("x")), real(node.number("y")),
                              real(node.number("z"))}});
  }
  for (const auto& [key, element] : model.table(Kind::Elem).entities()) writeElement(bulk, model, element);
  for (const auto& [key, property] : model.table(Kind::Prop).entities()) writeProperty(bulk, property);
  for (const auto& [key, material] : model.table(Kind::Matl).entities()) writeMaterial(bulk, material);

  bool mechanicalLoads = false, temperatures = false;
  const EntityTable& meshLoads = model.table(Kind::LoadMesh);
  for (const Entity* load = meshLoads.next(0, loadSet); load; load = meshLoads.next(load->id, loadSet)) {
    int type = load->integer("type");
    Field sid = whole(loadSet), target = whole(load->number("meshID"));
    if (isForce(type) || isMoment(type)) {
      writeCard(bulk, {isForce(type) ? "FORCE" : "MOMENT",
                       {sid, target, whole(0), real(1.0), real(load->element("value", 0)),
                        real(load->element("value", 1)), real(load->element("value", 2))}});
      mechanicalLoads = true;
    } else if (isPressure(type)) {
      writeCard(bulk, {"PLOAD4", {sid, target, real(load->element("value", 0))}});
      mechanicalLoads = true;
    } else {
      bulk += "$ mesh load " + std::to_string(load->id) + " of type " + std::to_string(type) + " is not written\n";
    }
  }
  const EntityTable& nodeTemperatures = model.table(Kind::NodeTemp);
  for (const Entity* load = nodeTemperatures.next(0, loadSet); load; load = nodeTemperatures.next(load->id, loadSet)) {
    writeCard(bulk, {"TEMP", {whole(loadSet), whole(load->number("meshID")), real(load->number("temp"))}});
    temperatures = true;
  }

  std::map<std::string, std::vector<int>> constrained;  // DOF digits -> nodes
  const EntityTable& constraints = model.table(Kind::BcNode);
  for (const Entity* bc = constraints.next(0, constraintSet); bc; bc = constraints.next(bc->id, constraintSet)) {
    std::string digits = dofDigits(*bc);
    if (!digits.empty()) constrained[digits].push_back(bc->id);
  }
  for (const auto& [digits, nodes] : constrained) {
    Card card{"SPC1", {whole(constraintSet), std::stoll(digits)}};
    for (int node : nodes) card.fields.push_back(whole(node));
    writeCard(bulk, std::move(card));
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
