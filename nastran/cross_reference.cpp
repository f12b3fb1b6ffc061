#include "nastran/cross_reference.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_set>

#include "nastran/coordinate_systems.h"
#include "nastran/id_index.h"
#include "nastran/numbers.h"

namespace nastran {
namespace {

// The cards of one ID space (elements, properties, ...), whatever their kind.
struct Entry {
  int id = 0;
  std::string_view card;
  const Origin* origin = nullptr;
};

class Entries {
 public:
  void add(int id, std::string_view card, const Origin& origin) { entries_.push_back({id, card, &origin}); }
  // With `inDeckOrder` the entries are first put in the order of the deck, so that a look-up
  // finds the first card of a duplicated ID (worth it for the few properties and materials).
  void build(bool inDeckOrder = false) {
    if (inDeckOrder)
      std::stable_sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
        return a.origin->at.file != b.origin->at.file ? a.origin->at.file < b.origin->at.file
                                                      : a.origin->at.line < b.origin->at.line;
      });
    std::vector<int> ids;
    ids.reserve(entries_.size());
    for (const Entry& entry : entries_) ids.push_back(entry.id);
    index_ = IdIndex(ids);
  }
  const Entry* find(int id) const {
    auto found = index_.find(id);
    return found ? &entries_[*found] : nullptr;
  }
  const std::vector<Entry>& entries() const { return entries_; }
  const IdIndex& index() const { return index_; }

 private:
  std::vector<Entry> entries_;
  IdIndex index_;
};

std::size_t materialAxesField(PlateShape shape) {
  switch (shape) {
    case PlateShape::Quad4:
    case PlateShape::QuadR: return 7;
    case PlateShape::Tria3:
    case PlateShape::TriaR: return 6;
    case PlateShape::Quad8: return 15;
    case PlateShape::Tria6: return 9;
  }
  return 7;
}

class ReferenceCheck {
 public:
  ReferenceCheck(const Deck& deck, const CheckOptions& options, std::size_t limit)
      : deck_(deck), bulk_(deck.bulk), options_(options), limit_(limit) {}

  std::vector<DeckError> run() {
    index();
    duplicates();
    coordinateSystems();
    elements();
    properties();
    loadsAndConstraints();
    caseControl();
    std::stable_sort(found_.begin(), found_.end(), [](const Found& a, const Found& b) {
      return a.at.file != b.at.file ? a.at.file < b.at.file : a.at.line < b.at.line;
    });
    std::vector<DeckError> problems;
    for (Found& found : found_) problems.push_back(std::move(found.error));
    return problems;
  }

 private:
  struct Found {
    Location at;
    DeckError error;
  };

  bool full() const { return found_.size() >= limit_; }

  void problem(const Origin& origin, std::size_t field, std::string subject, std::string reason) {
    if (full()) return;
    DeckError error = deck_.errorAt(origin, field, std::move(subject), std::move(reason));
    found_.push_back({Location{origin.at.file, error.line()}, std::move(error)});
  }
  void problemAt(Location at, std::string subject, std::string reason) {
    if (full()) return;
    found_.push_back({at, deck_.errorAt(at, std::move(subject), std::move(reason))});
  }

  static std::string label(std::string_view card, int id) { return std::string(card) + " " + std::to_string(id); }

  std::string whereIs(const Origin& origin, const Origin& from) const {
    if (origin.at.file == from.at.file) return "line " + std::to_string(origin.at.line);
    return deck_.files[origin.at.file] + ":" + std::to_string(origin.at.line);
  }

  // ---- the ID spaces ----

  void index() {
    for (const Grid& grid : bulk_.grids) points_.add(grid.id, "GRID", grid.origin);
    points_.build();
    // Scalar points stay ranges (SPOINT 1 THRU 100000 is one entry), in the order of their IDs.
    for (const Spoint& point : bulk_.spoints) scalarPoints_.push_back(&point);
    std::sort(scalarPoints_.begin(), scalarPoints_.end(),
              [](const Spoint* a, const Spoint* b) { return a->first < b->first; });
    for (const Spoint* point : scalarPoints_)
      scalarReach_.push_back(std::max(point->last, scalarReach_.empty() ? point->last : scalarReach_.back()));

    for (const Crod& e : bulk_.crods) elements_.add(e.eid, "CROD", e.origin);
    for (const Conrod& e : bulk_.conrods) elements_.add(e.eid, "CONROD", e.origin);
    for (const Cbar& e : bulk_.cbars) elements_.add(e.eid, "CBAR", e.origin);
    for (const Cbeam& e : bulk_.cbeams) elements_.add(e.eid, "CBEAM", e.origin);
    for (const Cbush& e : bulk_.cbushes) elements_.add(e.eid, "CBUSH", e.origin);
    for (const Celas1& e : bulk_.celas1s) elements_.add(e.eid, "CELAS1", e.origin);
    for (const Celas2& e : bulk_.celas2s) elements_.add(e.eid, "CELAS2", e.origin);
    for (const Plate& e : bulk_.plates) elements_.add(e.eid, cardName(e.shape), e.origin);
    for (const Cshear& e : bulk_.cshears) elements_.add(e.eid, "CSHEAR", e.origin);
    for (const Solid& e : bulk_.solids) elements_.add(e.eid, cardName(e.shape), e.origin);
    for (const Conm2& e : bulk_.conm2s) elements_.add(e.eid, "CONM2", e.origin);
    for (const Rbe2& e : bulk_.rbe2s) elements_.add(e.eid, "RBE2", e.origin);
    for (const Rbe3& e : bulk_.rbe3s) elements_.add(e.eid, "RBE3", e.origin);
    for (const Rbar& e : bulk_.rbars) elements_.add(e.eid, "RBAR", e.origin);
    elements_.build();

    for (const Prod& p : bulk_.prods) properties_.add(p.pid, "PROD", p.origin);
    for (const Pbar& p : bulk_.pbars) properties_.add(p.pid, "PBAR", p.origin);
    for (const Pbarl& p : bulk_.pbarls) properties_.add(p.pid, "PBARL", p.origin);
    for (const Pbeam& p : bulk_.pbeams) properties_.add(p.pid, "PBEAM", p.origin);
    for (const Pbeaml& p : bulk_.pbeamls) properties_.add(p.pid, "PBEAML", p.origin);
    for (const Pbush& p : bulk_.pbushes) properties_.add(p.pid, "PBUSH", p.origin);
    for (const Pelas& p : bulk_.pelas) properties_.add(p.pid, "PELAS", p.origin);
    for (const Pshell& p : bulk_.pshells) properties_.add(p.pid, "PSHELL", p.origin);
    for (const Pcomp& p : bulk_.pcomps) properties_.add(p.pid, p.global ? "PCOMPG" : "PCOMP", p.origin);
    for (const Pshear& p : bulk_.pshears) properties_.add(p.pid, "PSHEAR", p.origin);
    for (const Psolid& p : bulk_.psolids) properties_.add(p.pid, "PSOLID", p.origin);
    properties_.build(true);

    for (const Mat1& m : bulk_.mat1s) materials_.add(m.mid, "MAT1", m.origin);
    for (const Mat2& m : bulk_.mat2s) materials_.add(m.mid, "MAT2", m.origin);
    for (const Mat8& m : bulk_.mat8s) materials_.add(m.mid, "MAT8", m.origin);
    for (const Mat9& m : bulk_.mat9s) materials_.add(m.mid, "MAT9", m.origin);
    materials_.build(true);

    for (const Cord2& c : bulk_.cord2s) systems_.add(c.cid, cardName(c), c.origin);
    for (const Cord1& c : bulk_.cord1s) systems_.add(c.cid, cardName(c), c.origin);
    systems_.build();

    for (const PassedCard& card : bulk_.passed) {
      std::optional<int> id = card.fields.empty() ? std::nullopt : parseInteger(card.fields.front());
      if (!id) continue;
      passedSets_.insert(*id);
      std::string_view name = card.name;
      if (name.substr(0, 4) == "CORD") passedSystems_.insert(*id);
      else if (name.substr(0, 3) == "MAT") passedMaterials_.insert(*id);
      else if (name[0] == 'P') passedProperties_.insert(*id);
      else if (name[0] == 'C' || name[0] == 'R') passedElements_.insert(*id);
    }

    for (const NodalLoad& l : bulk_.nodalLoads) loadSets_.insert(l.sid);
    for (const NodalLoad1& l : bulk_.nodalLoad1s) loadSets_.insert(l.sid);
    for (const Pload& l : bulk_.ploads) loadSets_.insert(l.sid);
    for (const Pload1& l : bulk_.pload1s) loadSets_.insert(l.sid);
    for (const Pload2& l : bulk_.pload2s) loadSets_.insert(l.sid);
    for (const Pload4& l : bulk_.pload4s) loadSets_.insert(l.sid);
    for (const Grav& l : bulk_.gravs) loadSets_.insert(l.sid);
    for (const Spc& l : bulk_.spcds) loadSets_.insert(l.sid);
    for (const LoadCombination& l : bulk_.loads) loadCombinations_.insert(l.sid);
    for (const Temp& t : bulk_.temps) temperatureSets_.insert(t.sid);
    for (const Tempd& t : bulk_.tempds) temperatureSets_.insert(t.sid);
    for (const Spc& s : bulk_.spcs) spcSets_.insert(s.sid);
    for (const Spc1& s : bulk_.spc1s) spcSets_.insert(s.sid);
    for (const SetUnion& s : bulk_.spcadds) spcUnions_.insert(s.sid);
    for (const Mpc& m : bulk_.mpcs) mpcSets_.insert(m.sid);
    for (const SetUnion& s : bulk_.mpcadds) mpcUnions_.insert(s.sid);
  }

  void duplicatesOf(const Entries& entries) {
    for (auto [later, first] : entries.index().duplicates()) {
      const Entry* a = &entries.entries()[later];
      const Entry* b = &entries.entries()[first];
      if (std::pair(a->origin->at.file, a->origin->at.line) < std::pair(b->origin->at.file, b->origin->at.line))
        std::swap(a, b);
      problem(*a->origin, 1, label(a->card, a->id),
              "ID " + std::to_string(a->id) + " is already used by the " + std::string(b->card) + " at " +
                  whereIs(*b->origin, *a->origin));
    }
  }

  bool isScalarPoint(int id) const {
    auto after = std::upper_bound(scalarPoints_.begin(), scalarPoints_.end(), id,
                                  [](int value, const Spoint* point) { return value < point->first; });
    return after != scalarPoints_.begin() && id <= scalarReach_[static_cast<std::size_t>(after - scalarPoints_.begin()) - 1];
  }

  // A scalar point whose ID another scalar point or a grid has.
  void scalarPointDuplicates() {
    for (std::size_t i = 1; i < scalarPoints_.size(); ++i) {
      const Spoint* a = scalarPoints_[i];
      const Spoint* b = scalarPoints_[i - 1];
      if (a->first > b->last) continue;
      if (std::pair(a->origin.at.file, a->origin.at.line) < std::pair(b->origin.at.file, b->origin.at.line)) std::swap(a, b);
      int id = std::max(a->first, b->first);
      problem(a->origin, 1, label("SPOINT", id), "ID " + std::to_string(id) + " is already used by the SPOINT at " +
                                                      whereIs(b->origin, a->origin));
    }
    if (scalarPoints_.empty()) return;
    for (const Entry& grid : points_.entries()) {
      if (!isScalarPoint(grid.id)) continue;
      const Spoint* point = nullptr;  // a range holding the grid's ID
      for (const Spoint* candidate : scalarPoints_)
        if (candidate->first <= grid.id && grid.id <= candidate->last) point = candidate;
      bool gridFirst = std::pair(grid.origin->at.file, grid.origin->at.line) < std::pair(point->origin.at.file, point->origin.at.line);
      if (gridFirst)
        problem(point->origin, 1, label("SPOINT", grid.id),
                "ID " + std::to_string(grid.id) + " is already used by the GRID at " + whereIs(*grid.origin, point->origin));
      else
        problem(*grid.origin, 1, label("GRID", grid.id),
                "ID " + std::to_string(grid.id) + " is already used by the SPOINT at " + whereIs(point->origin, *grid.origin));
    }
  }

  void duplicates() {
    duplicatesOf(points_);
    scalarPointDuplicates();
    duplicatesOf(elements_);
    duplicatesOf(properties_);
    duplicatesOf(materials_);
  }

  void coordinateSystems() {
    try {
      CoordinateSystems systems(deck_);
    } catch (const DeckError& error) {
      if (!full()) {
        std::uint32_t file = 0;
        for (std::uint32_t i = 0; i < deck_.files.size(); ++i)
          if (deck_.files[i] == error.file()) file = i;
        found_.push_back({Location{file, error.line()}, error});
      }
    }
  }

  // ---- references ----

  void point(const Origin& origin, std::size_t field, std::string_view card, int id, int point) {
    if (point != 0 && !points_.find(point) && !isScalarPoint(point)) problem(origin, field, label(card, id), "grid " + std::to_string(point) + " does not exist");
  }

  void system(const Origin& origin, std::size_t field, std::string_view card, int id, int cid, const char* what) {
    if (cid > 0 && !systems_.find(cid) && !passedSystems_.count(cid))
      problem(origin, field, label(card, id),
              "coordinate system " + std::to_string(cid) + " (" + what + ") does not exist");
  }

  void material(const Origin& origin, std::size_t field, std::string_view card, int id, int mid) {
    if (mid > 0 && !materials_.find(mid) && !passedMaterials_.count(mid))
      problem(origin, field, label(card, id), "material " + std::to_string(mid) + " does not exist");
  }

  void property(const Origin& origin, std::string_view card, int id, int pid, std::initializer_list<std::string_view> kinds) {
    const Entry* found = properties_.find(pid);
    if (!found) {
      if (!passedProperties_.count(pid))
        problem(origin, 2, label(card, id), "property " + std::to_string(pid) + " does not exist");
      return;
    }
    if (std::find(kinds.begin(), kinds.end(), found->card) != kinds.end()) return;
    std::string needed;
    std::size_t i = 0;
    for (std::string_view kind : kinds) needed += std::string(i++ == 0 ? "" : i == kinds.size() ? " or " : ", ") + std::string(kind);
    problem(origin, 2, label(card, id),
            "property " + std::to_string(pid) + " is a " + std::string(found->card) + ", a " + needed + " is needed");
  }

  template <std::size_t N>
  void grids(const Origin& origin, std::string_view card, int id, const std::array<int, N>& g, std::size_t count,
             std::size_t firstField) {
    for (std::size_t i = 0; i < count; ++i) point(origin, firstField + i, card, id, g[i]);
  }

  void orientation(const Origin& origin, std::string_view card, int id, const Orientation& o, int ga, int gb,
                   bool required) {
    if (!o.given()) {
      if (required) problem(origin, 5, label(card, id), "no orientation: X1-X3 and G0 are blank");
      return;
    }
    if (o.grid == 0) return;
    point(origin, 5, card, id, o.grid);
    if (o.grid == ga || o.grid == gb) problem(origin, 5, label(card, id), "the orientation grid G0 must differ from GA and GB");
  }

  void elements() {
    for (const Crod& e : bulk_.crods) {
      grids(e.origin, "CROD", e.eid, e.g, 2, 3);
      property(e.origin, "CROD", e.eid, e.pid, {"PROD"});
    }
    for (const Conrod& e : bulk_.conrods) {
      grids(e.origin, "CONROD", e.eid, e.g, 2, 2);
      material(e.origin, 4, "CONROD", e.eid, e.mid);
    }
    for (const Cbar& e : bulk_.cbars) {
      point(e.origin, 3, "CBAR", e.eid, e.ga);
      point(e.origin, 4, "CBAR", e.eid, e.gb);
      orientation(e.origin, "CBAR", e.eid, e.orientation, e.ga, e.gb, true);
      property(e.origin, "CBAR", e.eid, e.pid, {"PBAR", "PBARL"});
    }
    for (const Cbeam& e : bulk_.cbeams) {
      point(e.origin, 3, "CBEAM", e.eid, e.ga);
      point(e.origin, 4, "CBEAM", e.eid, e.gb);
      orientation(e.origin, "CBEAM", e.eid, e.orientation, e.ga, e.gb, true);
      property(e.origin, "CBEAM", e.eid, e.pid, {"PBEAM", "PBEAML"});
      point(e.origin, 17, "CBEAM", e.eid, e.sa);
      point(e.origin, 18, "CBEAM", e.eid, e.sb);
    }
    for (const Cbush& e : bulk_.cbushes) {
      point(e.origin, 3, "CBUSH", e.eid, e.ga);
      point(e.origin, 4, "CBUSH", e.eid, e.gb);
      orientation(e.origin, "CBUSH", e.eid, e.orientation, e.ga, e.gb, false);
      if (e.cid) system(e.origin, 8, "CBUSH", e.eid, *e.cid, "CID");
      system(e.origin, 10, "CBUSH", e.eid, e.ocid, "OCID");
      property(e.origin, "CBUSH", e.eid, e.pid, {"PBUSH"});
    }
    for (const Celas1& e : bulk_.celas1s) {
      point(e.origin, 3, "CELAS1", e.eid, e.g1);
      point(e.origin, 5, "CELAS1", e.eid, e.g2);
      property(e.origin, "CELAS1", e.eid, e.pid, {"PELAS"});
    }
    for (const Celas2& e : bulk_.celas2s) {
      point(e.origin, 3, "CELAS2", e.eid, e.g1);
      point(e.origin, 5, "CELAS2", e.eid, e.g2);
    }
    for (const Plate& e : bulk_.plates) {
      std::string_view name = cardName(e.shape);
      grids(e.origin, name, e.eid, e.g, e.shape == PlateShape::Quad8 ? 8 : e.shape == PlateShape::Tria6 ? 6 : e.corners(), 3);
      if (e.mcid) system(e.origin, materialAxesField(e.shape), name, e.eid, *e.mcid, "MCID");
      property(e.origin, name, e.eid, e.pid, {"PSHELL", "PCOMP", "PCOMPG"});
    }
    for (const Cshear& e : bulk_.cshears) {
      grids(e.origin, "CSHEAR", e.eid, e.g, 4, 3);
      property(e.origin, "CSHEAR", e.eid, e.pid, {"PSHEAR"});
    }
    for (const Solid& e : bulk_.solids) {
      std::string_view name = cardName(e.shape);
      grids(e.origin, name, e.eid, e.g, static_cast<std::size_t>(e.maxGrids()), 3);
      property(e.origin, name, e.eid, e.pid, {"PSOLID"});
    }
    for (const Conm2& e : bulk_.conm2s) {
      point(e.origin, 2, "CONM2", e.eid, e.g);
      system(e.origin, 3, "CONM2", e.eid, e.cid, "CID");
    }
    for (const Rbe2& e : bulk_.rbe2s) {
      point(e.origin, 2, "RBE2", e.eid, e.gn);
      for (int g : e.gm) point(e.origin, 0, "RBE2", e.eid, g);
    }
    for (const Rbe3& e : bulk_.rbe3s) {
      point(e.origin, 3, "RBE3", e.eid, e.refgrid);
      for (const Rbe3::Weighted& group : e.groups)
        for (int g : group.grids) point(e.origin, 0, "RBE3", e.eid, g);
      for (const Rbe3::Dependent& dependent : e.um) point(e.origin, 0, "RBE3", e.eid, dependent.grid);
    }
    for (const Rbar& e : bulk_.rbars) {
      point(e.origin, 2, "RBAR", e.eid, e.ga);
      point(e.origin, 3, "RBAR", e.eid, e.gb);
    }
  }

  void properties() {
    for (const Prod& p : bulk_.prods) material(p.origin, 2, "PROD", p.pid, p.mid);
    for (const Pbar& p : bulk_.pbars) material(p.origin, 2, "PBAR", p.pid, p.mid);
    for (const Pbarl& p : bulk_.pbarls) material(p.origin, 2, "PBARL", p.pid, p.mid);
    for (const Pbeam& p : bulk_.pbeams) material(p.origin, 2, "PBEAM", p.pid, p.mid);
    for (const Pbeaml& p : bulk_.pbeamls) material(p.origin, 2, "PBEAML", p.pid, p.mid);
    for (const Pshear& p : bulk_.pshears) material(p.origin, 2, "PSHEAR", p.pid, p.mid);
    for (const Psolid& p : bulk_.psolids) {
      material(p.origin, 2, "PSOLID", p.pid, p.mid);
      system(p.origin, 3, "PSOLID", p.pid, p.cordm, "CORDM");
    }
    for (const Pshell& p : bulk_.pshells) {
      if (p.mid1) material(p.origin, 2, "PSHELL", p.pid, *p.mid1);
      if (p.mid2) material(p.origin, 4, "PSHELL", p.pid, *p.mid2);
      if (p.mid3) material(p.origin, 6, "PSHELL", p.pid, *p.mid3);
      if (p.mid4) material(p.origin, 11, "PSHELL", p.pid, *p.mid4);
    }
    for (const Pcomp& p : bulk_.pcomps) {
      std::string_view name = p.global ? "PCOMPG" : "PCOMP";
      for (std::size_t i = 0; i < p.plies.size(); ++i)
        material(p.origin, p.global ? 10 + 8 * i : 9 + 4 * i, name, p.pid, p.plies[i].mid);
    }
    for (const Mat1& m : bulk_.mat1s)
      if (m.mcsid) system(m.origin, 12, "MAT1", m.mid, *m.mcsid, "MCSID");
    for (const Mat2& m : bulk_.mat2s)
      if (m.mcsid) system(m.origin, 17, "MAT2", m.mid, *m.mcsid, "MCSID");
  }

  void element(const Origin& origin, std::size_t field, std::string_view card, int id, int eid) {
    if (!elements_.find(eid) && !passedElements_.count(eid))
      problem(origin, field, label(card, id), "element " + std::to_string(eid) + " does not exist");
  }

  void loadsAndConstraints() {
    for (const NodalLoad& l : bulk_.nodalLoads) {
      std::string_view name = l.moment ? "MOMENT" : "FORCE";
      point(l.origin, 2, name, l.sid, l.g);
      system(l.origin, 3, name, l.sid, l.cid, "CID");
    }
    for (const NodalLoad1& l : bulk_.nodalLoad1s) {
      std::string_view name = l.moment ? "MOMENT1" : "FORCE1";
      point(l.origin, 2, name, l.sid, l.g);
      point(l.origin, 4, name, l.sid, l.g1);
      point(l.origin, 5, name, l.sid, l.g2);
    }
    for (const Pload& l : bulk_.ploads) grids(l.origin, "PLOAD", l.sid, l.g, 4, 3);
    for (const Pload1& l : bulk_.pload1s) element(l.origin, 2, "PLOAD1", l.sid, l.eid);
    for (const Pload2& l : bulk_.pload2s)
      if (!l.thru)
        for (int eid : l.eids) element(l.origin, 0, "PLOAD2", l.sid, eid);
    for (const Pload4& l : bulk_.pload4s) {
      if (!l.thru) element(l.origin, 2, "PLOAD4", l.sid, l.eid);
      point(l.origin, 7, "PLOAD4", l.sid, l.g1);
      point(l.origin, 8, "PLOAD4", l.sid, l.g34);
      system(l.origin, 9, "PLOAD4", l.sid, l.cid, "CID");
    }
    for (const Grav& l : bulk_.gravs) system(l.origin, 2, "GRAV", l.sid, l.cid, "CID");
    for (const LoadCombination& l : bulk_.loads)
      for (const LoadCombination::Term& term : l.terms)
        if (!loadSets_.count(term.set) && !passedSets_.count(term.set))
          problem(l.origin, 0, label("LOAD", l.sid), "load set " + std::to_string(term.set) + " does not exist");
    for (const Temp& t : bulk_.temps) point(t.origin, 0, "TEMP", t.sid, t.g);
    for (const Spc& s : bulk_.spcs) point(s.origin, 0, "SPC", s.sid, s.g);
    for (const Spc& s : bulk_.spcds) point(s.origin, 0, "SPCD", s.sid, s.g);
    for (const Spc1& s : bulk_.spc1s)
      if (!s.thru)
        for (std::size_t i = 0; i < s.grids.size(); ++i) point(s.origin, 3 + i, "SPC1", s.sid, s.grids[i]);
    for (const Mpc& m : bulk_.mpcs)
      for (const Mpc::Term& term : m.terms) point(m.origin, 0, "MPC", m.sid, term.g);
    for (const SetUnion& s : bulk_.spcadds)
      for (int set : s.sets)
        if (!spcSets_.count(set) && !passedSets_.count(set))
          problem(s.origin, 0, label("SPCADD", s.sid), "SPC set " + std::to_string(set) + " does not exist");
    for (const SetUnion& s : bulk_.mpcadds)
      for (int set : s.sets)
        if (!mpcSets_.count(set) && !passedSets_.count(set))
          problem(s.origin, 0, label("MPCADD", s.sid), "MPC set " + std::to_string(set) + " does not exist");
  }

  // ---- case control ----

  void selection(const Subcase& subcase, const char* key, const std::optional<int>& set, const char* what,
                 std::initializer_list<const std::unordered_set<int>*> where) {
    if (!set) return;
    for (const std::unordered_set<int>* sets : where)
      if (sets->count(*set)) return;
    if (passedSets_.count(*set)) return;
    problemAt(subcase.locationOf(key), subcase.id > 0 ? "SUBCASE " + std::to_string(subcase.id) : "",
              std::string(key) + " = " + std::to_string(*set) + ": no " + what + " " + std::to_string(*set) +
                  " in the bulk data");
  }

  void selections(const Subcase& subcase) {
    selection(subcase, "LOAD", subcase.load, "load set", {&loadSets_, &loadCombinations_});
    if (!options_.spcSelectionMayBeEmpty) selection(subcase, "SPC", subcase.spc, "SPC set", {&spcSets_, &spcUnions_});
    selection(subcase, "MPC", subcase.mpc, "MPC set", {&mpcSets_, &mpcUnions_});
    selection(subcase, "TEMPERATURE(LOAD)", subcase.temperatureLoad, "temperature set", {&temperatureSets_});
    selection(subcase, "TEMPERATURE(INITIAL)", subcase.temperatureInitial, "temperature set", {&temperatureSets_});
    selection(subcase, "TEMPERATURE(MATERIAL)", subcase.temperatureMaterial, "temperature set", {&temperatureSets_});
    selection(subcase, "METHOD", subcase.method, "card with ID", {});
  }

  // The SETs output requests name, among those `sets` can see.
  void outputSets(const Subcase& own, const Subcase& sets) {
    std::string subject = own.id > 0 ? "SUBCASE " + std::to_string(own.id) : "";
    std::unordered_set<int> seen;
    for (const CaseSet& set : own.sets)
      if (!seen.insert(set.id).second) problemAt(set.at, subject, "SET " + std::to_string(set.id) + " is defined twice");
    for (const OutputRequest& output : own.outputs) {
      auto id = output.setId();
      if (id && !sets.findSet(*id))
        problemAt(output.at, subject, output.name + " = " + output.target + ": no SET " + output.target);
    }
  }

  void caseControl() {
    const CaseControl& control = deck_.caseControl;
    selections(control.global);
    outputSets(control.global, control.global);
    for (const Subcase& subcase : control.subcases) {
      selections(subcase);
      outputSets(subcase, control.effective(subcase));
    }
  }

  const Deck& deck_;
  const Bulk& bulk_;
  CheckOptions options_;
  std::size_t limit_;
  std::vector<Found> found_;
  Entries points_, elements_, properties_, materials_, systems_;
  std::vector<const Spoint*> scalarPoints_;  // by their first ID
  std::vector<int> scalarReach_;             // the largest last ID up to each of them
  std::unordered_set<int> passedSets_, passedSystems_, passedMaterials_, passedProperties_, passedElements_;
  std::unordered_set<int> loadSets_, loadCombinations_, temperatureSets_, spcSets_, spcUnions_, mpcSets_, mpcUnions_;
};

}  // namespace

std::vector<DeckError> checkReferences(const Deck& deck, const CheckOptions& options, std::size_t limit) {
  return ReferenceCheck(deck, options, limit).run();
}

void requireConsistent(const Deck& deck, const CheckOptions& options) {
  std::vector<DeckError> problems = checkReferences(deck, options, 1000);
  if (!problems.empty()) throw problems.front();
}

}  // namespace nastran
