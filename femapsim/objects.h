#pragma once
// The simulated FEMAP's automation objects other than the application: entity objects of
// every kind (with the extra members of functions, load definitions, output vectors, output
// sets and views), entity sets, and the text reader.
//
// An entity object is a buffer, as FEMAP's are: Get copies a stored entity into it, members
// are read and written in the buffer, Put stores the buffer under an ID.

#include <array>
#include <memory>
#include <set>
#include <string>

#include "femap/object.h"
#include "femapsim/application.h"
#include "femapsim/dispatch.h"
#include "femapsim/model.h"

namespace femapsim {

class EntityObject : public femap::Dispatch {
 public:
  EntityObject(std::shared_ptr<Application> application, Kind kind);
  std::string_view kind() const override;
  femap::Variant invoke(std::string_view member, femap::Invoke how, Args args) override;

  Kind entityKind() const { return kind_; }
  Entity& buffer() { return buffer_; }
  // Loads a stored entity into the buffer (the load definition's iteration fills loads so).
  void load(const Entity& entity) { buffer_ = entity; cursor_ = entity.id; }

 private:
  static const MemberTable<EntityObject>& members();
  femap::Variant dataMember(std::string_view member, femap::Invoke how, Args args);
  // The set to look entities up in: the one the caller put into setID, else the active one.
  int lookupSet();
  // The set the buffer is stored into: its setID, else the active one.
  int setOfBuffer();
  int get(int id);
  int put(int id);
  bool exist(int id);
  bool next();
  int remove(int id);
  // Output vectors
  femap::Variant outputValue(int entityId);
  // Functions
  int selectFunction(const std::string& title);
  int getFunctionList(Args args);
  int putFunctionList(Args args);
  // Load definitions
  bool nextLoad(const femap::Variant& loadObject);
  // Output sets
  int last();

  std::shared_ptr<Application> application_;
  Kind kind_;
  Entity buffer_;
  int cursor_ = 0;
  bool setChosen_ = false;  // the caller put setID
  std::array<int, kKindCount> loadCursors_{};  // per load kind, within this definition
};

class SetObject : public femap::Dispatch, public std::enable_shared_from_this<SetObject> {
 public:
  explicit SetObject(std::shared_ptr<Application> application);
  void attachId(int id) { id_ = id; }
  int id() const { return id_; }
  const std::set<int>& ids() const { return ids_; }

  std::string_view kind() const override { return "Set"; }
  femap::Variant invoke(std::string_view member, femap::Invoke how, Args args) override;

 private:
  static const MemberTable<SetObject>& members();
  int select(int entityType, bool clear, const std::string& title, int inSet);
  int addAll(int entityType);
  int next();

  std::shared_ptr<Application> application_;
  int id_ = 0;
  std::set<int> ids_;
  int cursor_ = 0;
};

// The text reader (`feRead`): reads a text file record by record with FEMAP's options (a
// comment marker, skipping comment lines, trimming, skipping blank lines, a maximum line
// length) and hands out blank-separated fields.
class ReadObject : public femap::Dispatch {
 public:
  std::string_view kind() const override { return "Read"; }
  femap::Variant invoke(std::string_view member, femap::Invoke how, Args args) override;

 private:
  static const MemberTable<ReadObject>& members();
  int open(const std::string& path, int maxLength);
  int read();
  std::string field(int n) const;

  std::string text_;
  std::size_t position_ = 0;
  bool open_ = false;
  int maxLength_ = 0;
  std::string commentMarker_;
  bool skip_ = false;
  bool trimSpace_ = false;
  bool noBlankLines_ = false;
  std::string line_;
  std::vector<std::string> fields_;
};

}  // namespace femapsim
