#include "nastran/deck_writer.h"

#include <cmath>
#include <stdexcept>

#include "nastran/bulk_format.h"
#include "nastran/card_layouts.h"
#include "support/text_file.h"

namespace nastran {
namespace {

Field componentsField(const Components& components) {
  if (components.empty()) return Field();
  long long value = 0;
  for (char digit : components.digits()) value = value * 10 + (digit - '0');
  return Field(value);
}

// The writer's side of a card layout: each member put into its field, blank where it holds the
// field's default.
class FieldsOut {
 public:
  static constexpr bool kReading = false;
  explicit FieldsOut(std::vector<Field>& fields) : fields_(fields) { fields_.clear(); }

  void set(std::size_t n, Field field) {
    if (fields_.size() < n) fields_.resize(n);
    fields_[n - 1] = field;
  }
  void id(std::size_t n, const char*, const int& value) { set(n, value); }
  void integer(std::size_t n, const char*, const int& value) { set(n, value); }
  void integer(std::size_t n, const char*, const int& value, int fallback) {
    if (value != fallback) set(n, value);
  }
  void integer(std::size_t n, const char*, const std::optional<int>& value) {
    if (value) set(n, *value);
  }
  void real(std::size_t n, const char*, const double& value) { set(n, value); }
  void real(std::size_t n, const char*, const double& value, double fallback) {
    if (value != fallback) set(n, value);
  }
  void real(std::size_t n, const char*, const std::optional<double>& value) {
    if (value) set(n, *value);
  }
  void components(std::size_t n, const char*, const Components& value) { set(n, componentsField(value)); }
  void component(std::size_t n, const char*, const int& value) {
    if (value != 0) set(n, value);
  }
  void word(std::size_t n, const char*, const std::string& value, std::string_view fallback) {
    if (value != fallback) set(n, std::string_view(value));
  }
  void text(std::size_t n, const char*, const std::string& value) { set(n, std::string_view(value)); }
  void orientation(std::size_t n, const Orientation& value) {
    if (value.grid != 0) {
      set(n, value.grid);
    } else if (value.vector) {
      for (std::size_t i = 0; i < 3; ++i) set(n + i, (*value.vector)[i]);
    }
  }
  void materialAxes(std::size_t n, const std::optional<int>& mcid, const double& theta) {
    if (mcid) set(n, *mcid);
    else if (theta != 0) set(n, theta);
  }
  void wordOrReal(std::size_t n, const char* what, const std::string& word, std::string_view fallback, const char*,
                  const std::optional<double>& real) {
    if (real) set(n, *real);
    else this->word(n, what, word, fallback);
  }
  void unused(std::size_t) {}
  void last(std::size_t) {}

 private:
  std::vector<Field>& fields_;
};

FieldText fieldText(const Field& field, std::string_view name, std::size_t number) {
  FieldText text;
  switch (field.kind) {
    case Field::Kind::Blank: break;
    case Field::Kind::Integer: text = integerText(field.integer); break;
    case Field::Kind::Real:
      if (!std::isfinite(field.real))
        throw std::invalid_argument(std::string(name) + ": field " + std::to_string(number) + " is not a finite number");
      text = exactRealText(field.real);
      break;
    case Field::Kind::Text:
      if (field.text.size() > format::kLargeFieldWidth)
        throw std::invalid_argument(std::string(name) + ": field " + std::to_string(number) + " ('" +
                                    std::string(field.text) + "') is longer than a large field");
      for (char c : field.text) text.chars[text.size++] = c;
      break;
  }
  return text;
}

}  // namespace

void CardWriter::line(std::string_view head, std::span<const FieldText> texts, std::size_t first,
                      std::size_t count, bool large) {
  std::size_t last = std::min(texts.size(), first + count);
  while (last > first && texts[last - 1].size == 0) --last;
  if (options_.format == FieldFormat::Free) {
    out_ += head;
    if (last == first) out_ += format::kSeparator;
    for (std::size_t i = first; i < last; ++i) {
      out_ += format::kSeparator;
      out_ += texts[i].view();
    }
  } else {
    std::size_t start = out_.size();
    out_ += head;
    std::size_t width = format::fieldWidth(large);
    for (std::size_t i = first; i < last; ++i) {
      out_.resize(start + format::kNameWidth + (i - first) * width, ' ');
      out_ += texts[i].view();
    }
  }
  out_ += '\n';
}

void CardWriter::card(std::string_view name, std::span<const Field> fields) {
  while (!fields.empty() && fields.back().kind == Field::Kind::Blank) fields = fields.first(fields.size() - 1);
  texts_.resize(fields.size());
  bool small = true;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    texts_[i] = fieldText(fields[i], name, i + 1);
    small = small && texts_[i].size <= format::kSmallFieldWidth;
  }
  if (!small) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (texts_[i].size <= format::kLargeFieldWidth) continue;
      if (fields[i].kind != Field::Kind::Real)
        throw std::invalid_argument(std::string(name) + ": field " + std::to_string(i + 1) + " is longer than a large field");
      texts_[i] = realText(fields[i].real, format::kLargeFieldWidth);
    }
  }
  bool large = !small;
  std::size_t perLine = format::fieldsPerLine(large);
  std::string head(name);
  if (large) head += format::kLargeMarker;
  // A name of eight letters leaves no room for the '*' of large fields in fixed columns.
  WriteOptions options = options_;
  if (head.size() > format::kNameWidth) options_.format = FieldFormat::Free;
  std::string_view continuation = large ? "*" : "+";
  line(head, texts_, 0, perLine, large);
  for (std::size_t first = perLine; first < texts_.size(); first += perLine) line(continuation, texts_, first, perLine, large);
  options_ = options;
}

void CardWriter::comment(std::string_view text) {
  out_ += format::kComment;
  if (!text.empty()) {
    out_ += ' ';
    out_ += text;
  }
  out_ += '\n';
}

template <class Card>
void CardWriter::writeLayout(std::string_view name, const Card& card) {
  FieldsOut io(fields_);
  layout::fields(io, const_cast<Card&>(card));  // FieldsOut only reads from the card
  this->card(name, fields_);
}

void CardWriter::write(const Grid& grid) { writeLayout("GRID", grid); }

void CardWriter::write(const Spoint& point) {
  if (point.last == point.first) card("SPOINT", {point.first});
  else card("SPOINT", {point.first, "THRU", point.last});
}

void CardWriter::write(const Cord1& system) {
  FieldsOut io(fields_);
  layout::fields(io, const_cast<Cord1&>(system), 0);
  card(cardName(system), fields_);
}

void CardWriter::write(const Cord2& system) { writeLayout(cardName(system), system); }
void CardWriter::write(const Crod& rod) { writeLayout("CROD", rod); }
void CardWriter::write(const Conrod& rod) { writeLayout("CONROD", rod); }
void CardWriter::write(const Cbar& bar) { writeLayout("CBAR", bar); }
void CardWriter::write(const Cbeam& beam) { writeLayout("CBEAM", beam); }
void CardWriter::write(const Cbush& bush) { writeLayout("CBUSH", bush); }
void CardWriter::write(const Celas1& spring) { writeLayout("CELAS1", spring); }
void CardWriter::write(const Celas2& spring) { writeLayout("CELAS2", spring); }
void CardWriter::write(const Plate& plate) { writeLayout(cardName(plate.shape), plate); }
void CardWriter::write(const Cshear& panel) { writeLayout("CSHEAR", panel); }
void CardWriter::write(const Solid& solid) { writeLayout(cardName(solid.shape), solid); }
void CardWriter::write(const Conm2& mass) { writeLayout("CONM2", mass); }

void CardWriter::write(const Rbe2& rbe) {
  std::vector<Field> fields{rbe.eid, rbe.gn, componentsField(rbe.cm)};
  for (int grid : rbe.gm) fields.emplace_back(grid);
  if (rbe.alpha || rbe.tref) fields.emplace_back(rbe.alpha.value_or(0.0));
  if (rbe.tref) fields.emplace_back(*rbe.tref);
  card("RBE2", fields);
}

void CardWriter::write(const Rbe3& rbe) {
  std::vector<Field> fields{rbe.eid, Field(), rbe.refgrid, componentsField(rbe.refc)};
  for (const Rbe3::Weighted& group : rbe.groups) {
    fields.emplace_back(group.weight);
    fields.push_back(componentsField(group.c));
    for (int grid : group.grids) fields.emplace_back(grid);
  }
  // UM, ALPHA and TREF each start a line of their own; UM's pairs fill the second to seventh
  // data fields of its lines.
  auto newLine = [&] {
    while (fields.size() % format::kSmallFieldsPerLine != 0) fields.emplace_back();
  };
  if (!rbe.um.empty()) {
    newLine();
    fields.emplace_back("UM");
    for (const Rbe3::Dependent& dependent : rbe.um) {
      while (fields.size() % format::kSmallFieldsPerLine == 7 || fields.size() % format::kSmallFieldsPerLine == 0)
        fields.emplace_back();
      fields.emplace_back(dependent.grid);
      fields.push_back(componentsField(dependent.c));
    }
  }
  if (rbe.alpha) {
    newLine();
    fields.emplace_back("ALPHA");
    fields.emplace_back(*rbe.alpha);
  }
  if (rbe.tref) {
    newLine();
    fields.emplace_back("TREF");
    fields.emplace_back(*rbe.tref);
  }
  card("RBE3", fields);
}

void CardWriter::write(const Rbar& bar) { writeLayout("RBAR", bar); }
void CardWriter::write(const Prod& property) { writeLayout("PROD", property); }
void CardWriter::write(const Pbar& property) { writeLayout("PBAR", property); }

void CardWriter::write(const Pbarl& property) {
  std::vector<Field> fields{property.pid, property.mid, property.group == "MSCBML0" ? Field() : Field(property.group),
                            std::string_view(property.type), Field(), Field(), Field(), Field()};
  for (double dim : property.dims) fields.emplace_back(dim);
  if (property.nsm != 0) fields.emplace_back(property.nsm);
  card("PBARL", fields);
}

namespace {

void addStressPoints(std::vector<Field>& fields, const std::optional<std::array<double, 8>>& points) {
  for (std::size_t i = 0; i < 8; ++i) fields.push_back(points ? Field((*points)[i]) : Field());
}

void addSectionValues(std::vector<Field>& fields, const PbeamStation& station) {
  for (const std::optional<double>* value : {&station.a, &station.i1, &station.i2, &station.i12, &station.j, &station.nsm})
    fields.push_back(*value ? Field(**value) : Field());
}

Field optionalField(const std::optional<double>& value) { return value ? Field(*value) : Field(); }
Field realOrBlank(double value, double fallback) { return value == fallback ? Field() : Field(value); }

}  // namespace

void CardWriter::write(const Pbeam& property) {
  std::vector<Field> fields{property.pid, property.mid};
  const PbeamStation& endA = property.stations.empty() ? PbeamStation() : property.stations.front();
  addSectionValues(fields, endA);
  bool tail = property.k1 != 1 || property.k2 != 1 || property.s1 != 0 || property.s2 != 0 || property.nsiA != 0 ||
              property.nsiB || property.cwA != 0 || property.cwB || property.m1A != 0 || property.m2A != 0 ||
              property.m1B || property.m2B || property.n1A != 0 || property.n2A != 0 || property.n1B || property.n2B;
  // End A's stress points; the line stays (blank) when anything but a station follows.
  if (endA.stressPoints || (property.stations.size() <= 1 && tail)) addStressPoints(fields, endA.stressPoints);
  for (std::size_t i = 1; i < property.stations.size(); ++i) {
    const PbeamStation& station = property.stations[i];
    fields.emplace_back(std::string_view(station.so));
    fields.emplace_back(station.x);
    addSectionValues(fields, station);
    if (station.so == "YES") addStressPoints(fields, station.stressPoints);
  }
  if (tail) {
    for (Field value : {realOrBlank(property.k1, 1), realOrBlank(property.k2, 1), realOrBlank(property.s1, 0),
                        realOrBlank(property.s2, 0), realOrBlank(property.nsiA, 0), optionalField(property.nsiB),
                        realOrBlank(property.cwA, 0), optionalField(property.cwB), realOrBlank(property.m1A, 0),
                        realOrBlank(property.m2A, 0), optionalField(property.m1B), optionalField(property.m2B),
                        realOrBlank(property.n1A, 0), realOrBlank(property.n2A, 0), optionalField(property.n1B),
                        optionalField(property.n2B)})
      fields.push_back(value);
  }
  card("PBEAM", fields);
}

void CardWriter::write(const Pbeaml& property) {
  std::vector<Field> fields{property.pid, property.mid, property.group == "MSCBML0" ? Field() : Field(property.group),
                            std::string_view(property.type), Field(), Field(), Field(), Field()};
  for (std::size_t i = 0; i < property.stations.size(); ++i) {
    const PbeamlStation& station = property.stations[i];
    if (i > 0) {
      fields.emplace_back(std::string_view(station.so));
      fields.emplace_back(station.x);
    }
    for (const std::optional<double>& dim : station.dims) fields.push_back(optionalField(dim));
    fields.push_back(optionalField(station.nsm));
  }
  card("PBEAML", fields);
}

void CardWriter::write(const Pbush& property) {
  std::vector<Field> fields{property.pid};
  auto keywordLine = [&](std::string_view keyword, const double* values, std::size_t count, double fallback) {
    if (fields.size() > 1) {
      while (fields.size() % format::kSmallFieldsPerLine != 0) fields.emplace_back();
      fields.emplace_back();
    }
    fields.emplace_back(keyword);
    for (std::size_t i = 0; i < count; ++i) fields.push_back(realOrBlank(values[i], fallback));
  };
  if (property.k) keywordLine("K", property.k->data(), 6, 0);
  if (property.b) keywordLine("B", property.b->data(), 6, 0);
  if (property.ge) keywordLine("GE", property.ge->data(), 6, 0);
  if (property.rcv) keywordLine("RCV", property.rcv->data(), 4, 1);
  if (property.m) keywordLine("M", &*property.m, 1, 0);
  card("PBUSH", fields);
}

void CardWriter::write(const Pelas& property) {
  FieldsOut io(fields_);
  layout::fields(io, const_cast<Pelas&>(property), 0);
  card("PELAS", fields_);
}

void CardWriter::write(const Pshell& property) { writeLayout("PSHELL", property); }

void CardWriter::write(const Pcomp& property) {
  std::vector<Field> fields{property.pid,
                            optionalField(property.z0),
                            realOrBlank(property.nsm, 0),
                            realOrBlank(property.sb, 0),
                            std::string_view(property.ft),
                            realOrBlank(property.tref, 0),
                            realOrBlank(property.ge, 0),
                            std::string_view(property.lam)};
  for (const Ply& ply : property.plies) {
    if (property.global) fields.emplace_back(ply.globalId);
    fields.emplace_back(ply.mid);
    fields.emplace_back(ply.t);
    fields.push_back(realOrBlank(ply.theta, 0));
    fields.emplace_back(ply.sout == "NO" ? std::string_view() : std::string_view(ply.sout));
    if (property.global)
      for (int i = 0; i < 3; ++i) fields.emplace_back();
  }
  card(property.global ? "PCOMPG" : "PCOMP", fields);
}

void CardWriter::write(const Pshear& property) { writeLayout("PSHEAR", property); }
void CardWriter::write(const Psolid& property) { writeLayout("PSOLID", property); }
void CardWriter::write(const Mat1& material) { writeLayout("MAT1", material); }
void CardWriter::write(const Mat2& material) { writeLayout("MAT2", material); }
void CardWriter::write(const Mat8& material) { writeLayout("MAT8", material); }
void CardWriter::write(const Mat9& material) { writeLayout("MAT9", material); }
void CardWriter::write(const NodalLoad& load) { writeLayout(load.moment ? "MOMENT" : "FORCE", load); }
void CardWriter::write(const NodalLoad1& load) { writeLayout(load.moment ? "MOMENT1" : "FORCE1", load); }
void CardWriter::write(const Pload& load) { writeLayout("PLOAD", load); }
void CardWriter::write(const Pload1& load) { writeLayout("PLOAD1", load); }

void CardWriter::write(const Pload2& load) {
  std::vector<Field> fields{load.sid, load.p};
  if (load.thru && load.eids.size() == 2) {
    fields.insert(fields.end(), {load.eids[0], "THRU", load.eids[1]});
  } else {
    for (int eid : load.eids) fields.emplace_back(eid);
  }
  card("PLOAD2", fields);
}

void CardWriter::write(const Pload4& load) {
  std::vector<Field> fields{load.sid, load.eid, load.p1, optionalField(load.p2), optionalField(load.p3),
                            optionalField(load.p4)};
  if (load.thru) {
    fields.insert(fields.end(), {"THRU", *load.thru});
  } else {
    fields.push_back(load.g1 != 0 ? Field(load.g1) : Field());
    fields.push_back(load.g34 != 0 ? Field(load.g34) : Field());
  }
  fields.push_back(load.cid != 0 ? Field(load.cid) : Field());
  for (double component : load.n) fields.push_back(realOrBlank(component, 0));
  fields.emplace_back(load.sorl == "SURF" ? std::string_view() : std::string_view(load.sorl));
  fields.emplace_back(load.ldir == "NORM" ? std::string_view() : std::string_view(load.ldir));
  card("PLOAD4", fields);
}

void CardWriter::write(const Grav& load) { writeLayout("GRAV", load); }

void CardWriter::write(const LoadCombination& load) {
  std::vector<Field> fields{load.sid, load.scale};
  for (const LoadCombination::Term& term : load.terms) fields.insert(fields.end(), {term.scale, term.set});
  card("LOAD", fields);
}

void CardWriter::write(const Temp& load) { card("TEMP", {load.sid, load.g, load.t}); }
void CardWriter::write(const Tempd& load) { card("TEMPD", {load.sid, load.t}); }

void CardWriter::write(const Spc& spc) {
  FieldsOut io(fields_);
  io.id(1, "SID", spc.sid);
  layout::fields(io, const_cast<Spc&>(spc), 0);
  card(spc.spcd ? "SPCD" : "SPC", fields_);
}

void CardWriter::write(const Spc1& spc) {
  std::vector<Field> fields{spc.sid, componentsField(spc.c)};
  if (spc.thru && spc.grids.size() == 2) {
    fields.insert(fields.end(), {spc.grids[0], "THRU", spc.grids[1]});
  } else {
    for (int grid : spc.grids) fields.emplace_back(grid);
  }
  card("SPC1", fields);
}

void CardWriter::write(const SetUnion& sets) {
  std::vector<Field> fields{sets.sid};
  for (int set : sets.sets) fields.emplace_back(set);
  card(sets.mpc ? "MPCADD" : "SPCADD", fields);
}

void CardWriter::write(const Mpc& mpc) {
  std::vector<Field> fields{mpc.sid};
  for (const Mpc::Term& term : mpc.terms) {
    std::size_t column = fields.size() % format::kSmallFieldsPerLine;
    if (column == 7) fields.insert(fields.end(), {Field(), Field()});  // field 9 of the line, then field 1 of the next
    else if (column == 0) fields.emplace_back();
    fields.insert(fields.end(), {term.g, term.c, term.a});
  }
  card("MPC", fields);
}

void CardWriter::write(const Param& param) {
  std::vector<Field> fields{std::string_view(param.name)};
  for (const std::string& value : param.values) fields.emplace_back(std::string_view(value));
  card("PARAM", fields);
}

void CardWriter::write(const PassedCard& passed) {
  if (passed.lines.empty()) {
    std::vector<Field> fields;
    for (const std::string& value : passed.fields) fields.emplace_back(std::string_view(value));
    card(passed.name, fields);
    return;
  }
  for (const std::string& text : passed.lines) {
    out_ += text;
    out_ += '\n';
  }
}

namespace {

// The list of a SET after `column` characters of its line, in lines of at most 72 characters.
std::string setText(const CaseSet& set, std::size_t column) {
  std::vector<std::string> items;
  if (set.all) items.push_back("ALL");
  for (const CaseSet::Range& range : set.ranges) {
    std::string item = std::to_string(range.first);
    if (range.last != range.first) {
      item += " THRU " + std::to_string(range.last);
      if (range.by != 1) item += " BY " + std::to_string(range.by);
      for (std::size_t i = 0; i < range.except.size(); ++i)
        item += (i == 0 ? " EXCEPT " : ", ") + std::to_string(range.except[i]);
    }
    items.push_back(item);
  }
  for (double value : set.reals) items.emplace_back(exactRealText(value).view());
  // Each line but the last ends in a comma.
  constexpr std::size_t kWidth = 72;
  constexpr std::string_view kIndent = "    ";
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) {
      text += ',';
      ++column;
      if (column + 1 + items[i].size() + 1 > kWidth) {
        text += '\n';
        text += kIndent;
        column = kIndent.size();
      } else {
        text += ' ';
        ++column;
      }
    }
    text += items[i];
    column += items[i].size();
  }
  return text;
}

void writeSubcaseBody(std::string& out, const Subcase& subcase, std::string_view indent) {
  auto line = [&](const std::string& text) {
    out += indent;
    out += text;
    out += '\n';
  };
  if (subcase.title) line("TITLE = " + *subcase.title);
  if (subcase.subtitle) line("SUBTITLE = " + *subcase.subtitle);
  if (subcase.label) line("LABEL = " + *subcase.label);
  if (subcase.load) line("LOAD = " + std::to_string(*subcase.load));
  if (subcase.spc) line("SPC = " + std::to_string(*subcase.spc));
  if (subcase.mpc) line("MPC = " + std::to_string(*subcase.mpc));
  if (subcase.method) line("METHOD = " + std::to_string(*subcase.method));
  if (subcase.temperatureLoad && subcase.temperatureLoad == subcase.temperatureMaterial) {
    line("TEMPERATURE(BOTH) = " + std::to_string(*subcase.temperatureLoad));
  } else {
    if (subcase.temperatureLoad) line("TEMPERATURE(LOAD) = " + std::to_string(*subcase.temperatureLoad));
    if (subcase.temperatureMaterial) line("TEMPERATURE(MATERIAL) = " + std::to_string(*subcase.temperatureMaterial));
  }
  if (subcase.temperatureInitial) line("TEMPERATURE(INITIAL) = " + std::to_string(*subcase.temperatureInitial));
  for (const CaseSet& set : subcase.sets) {
    std::string head = "SET " + std::to_string(set.id) + " = ";
    line(head + setText(set, indent.size() + head.size()));
  }
  for (const OutputRequest& output : subcase.outputs) {
    std::string text = output.name;
    if (!output.describers.empty()) {
      text += '(';
      for (std::size_t i = 0; i < output.describers.size(); ++i) text += (i ? "," : "") + output.describers[i];
      text += ')';
    }
    line(text + " = " + output.target);
  }
  for (const Statement& statement : subcase.others) line(statement.text);
}

}  // namespace

void writeExecutiveControl(std::string& out, const ExecutiveControl& executive) {
  auto solution = [&] {
    if (!executive.solution) return;
    out += "SOL ";
    out += executive.solution->number ? std::to_string(*executive.solution->number) : executive.solution->name;
    out += '\n';
  };
  for (std::size_t i = 0; i < executive.statements.size(); ++i) {
    if (i == executive.solutionPosition) solution();
    out += executive.statements[i].text;
    out += '\n';
  }
  if (executive.solutionPosition >= executive.statements.size()) solution();
  out += "CEND\n";
}

void writeCaseControl(std::string& out, const CaseControl& caseControl) {
  writeSubcaseBody(out, caseControl.global, "");
  for (const Subcase& subcase : caseControl.subcases) {
    out += "SUBCASE " + std::to_string(subcase.id) + "\n";
    writeSubcaseBody(out, subcase, "  ");
  }
  for (const Statement& statement : caseControl.plotPackets) out += statement.text + "\n";
  out += "BEGIN BULK\n";
}

void writeBulk(CardWriter& cards, const Bulk& bulk) {
  cards.writeAll(bulk.params);
  cards.writeAll(bulk.cord2s);
  cards.writeAll(bulk.cord1s);
  cards.writeAll(bulk.grids);
  cards.writeAll(bulk.spoints);
  cards.writeAll(bulk.crods);
  cards.writeAll(bulk.conrods);
  cards.writeAll(bulk.cbars);
  cards.writeAll(bulk.cbeams);
  cards.writeAll(bulk.cbushes);
  cards.writeAll(bulk.celas1s);
  cards.writeAll(bulk.celas2s);
  cards.writeAll(bulk.plates);
  cards.writeAll(bulk.cshears);
  cards.writeAll(bulk.solids);
  cards.writeAll(bulk.conm2s);
  cards.writeAll(bulk.rbe2s);
  cards.writeAll(bulk.rbe3s);
  cards.writeAll(bulk.rbars);
  cards.writeAll(bulk.prods);
  cards.writeAll(bulk.pbars);
  cards.writeAll(bulk.pbarls);
  cards.writeAll(bulk.pbeams);
  cards.writeAll(bulk.pbeamls);
  cards.writeAll(bulk.pbushes);
  cards.writeAll(bulk.pelas);
  cards.writeAll(bulk.pshells);
  cards.writeAll(bulk.pcomps);
  cards.writeAll(bulk.pshears);
  cards.writeAll(bulk.psolids);
  cards.writeAll(bulk.mat1s);
  cards.writeAll(bulk.mat2s);
  cards.writeAll(bulk.mat8s);
  cards.writeAll(bulk.mat9s);
  cards.writeAll(bulk.nodalLoads);
  cards.writeAll(bulk.nodalLoad1s);
  cards.writeAll(bulk.ploads);
  cards.writeAll(bulk.pload1s);
  cards.writeAll(bulk.pload2s);
  cards.writeAll(bulk.pload4s);
  cards.writeAll(bulk.gravs);
  cards.writeAll(bulk.loads);
  cards.writeAll(bulk.temps);
  cards.writeAll(bulk.tempds);
  cards.writeAll(bulk.spcs);
  cards.writeAll(bulk.spc1s);
  cards.writeAll(bulk.spcadds);
  cards.writeAll(bulk.spcds);
  cards.writeAll(bulk.mpcs);
  cards.writeAll(bulk.mpcadds);
  cards.writeAll(bulk.passed);
}

std::string formatDeck(const Deck& deck, const WriteOptions& options) {
  std::string out;
  out.reserve(64 * (deck.bulk.grids.size() + deck.bulk.plates.size() + deck.bulk.solids.size() * 2 + 64));
  writeExecutiveControl(out, deck.executive);
  writeCaseControl(out, deck.caseControl);
  CardWriter cards(out, options);
  writeBulk(cards, deck.bulk);
  out += "ENDDATA\n";
  return out;
}

void writeDeckFile(const std::filesystem::path& path, const Deck& deck, const WriteOptions& options) {
  support::writeFileAtomically(path, formatDeck(deck, options));
}

}  // namespace nastran
