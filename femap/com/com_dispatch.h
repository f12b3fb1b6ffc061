#pragma once
// The client side of the transport: a femap::Dispatch that calls an automation server's
// IDispatch.
//
// A member name is looked up on the server once: every object reached through one
// connection shares a Session, which keeps one DISPID per (object kind, member name). The
// kind is the name of the object's type as its server reports it (IDispatch::GetTypeInfo),
// asked once per object and only when the object is first called; its name is asked only for
// a type information the session has not seen. An object whose server
// gives no type information keeps its names to itself, so a cache can never hand the DISPID
// of one kind's member to an object of another kind.

#include "femap/com/com_headers.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "femap/com/com_ptr.h"
#include "femap/object.h"

namespace femap::com {

// The DISPIDs learnt through one connection.
class Session {
 public:
  static std::shared_ptr<Session> create() { return std::make_shared<Session>(); }

  // The DISPID of `member` on objects of `kind`, or nullptr when not known yet.
  const DISPID* find(std::string_view kind, std::string_view member) const;
  void remember(std::string_view kind, std::string_view member, DISPID id);

  // The kind named by a type information seen before, or nullptr. The session keeps the type
  // informations it was told about: a server that hands out one per kind then hands back the
  // same one, and the kind is known without asking its name.
  const std::string* kindOf(ITypeInfo* type) const;
  void rememberKind(ComPtr<ITypeInfo> type, std::string kind);

 private:
  static std::string key(std::string_view kind, std::string_view member);
  std::unordered_map<std::string, DISPID> ids_;
  std::vector<std::pair<ComPtr<ITypeInfo>, std::string>> kinds_;
};

class ComDispatch final : public Dispatch {
 public:
  ComDispatch(ComPtr<IDispatch> dispatch, std::shared_ptr<Session> session);

  // The server's name of the object's type; "Object" when it gives none.
  std::string_view kind() const override;
  Variant invoke(std::string_view member, Invoke how, std::span<Variant> args) override;

  IDispatch* dispatch() const { return dispatch_.get(); }

 private:
  void resolveKind() const;
  DISPID idOf(std::string_view member);

  ComPtr<IDispatch> dispatch_;
  std::shared_ptr<Session> session_;
  mutable std::string kind_;
  mutable bool kindResolved_ = false;
  mutable bool kindShared_ = false;  // names may be shared with other objects of the kind
  Session ownNames_;                 // used when they may not
};

}  // namespace femap::com
