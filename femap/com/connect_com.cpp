// Connecting by ProgID through COM (Windows): the running instance from the running-object
// table, a new one from the class's server (a local server process or an in-process one).
// A ProgID registered in the process's own registry (a test's simulated FEMAP) is served
// from there.
#include "femap/com/com_dispatch.h"
#include "femap/connect.h"
#include "support/wide_text.h"

namespace femap {
namespace {

[[noreturn]] void cannotCreate(HRESULT result) {
  if (result == CO_E_NOTINITIALIZED) {
    throw Error("COM is not initialised on this thread (a program creates femap::com::ComInit in main)");
  }
  throw Error("ActiveX component can't create object");
}

CLSID classOf(std::string_view progId) {
  CLSID id{};
  const HRESULT result = CLSIDFromProgID(support::toWide(progId).c_str(), &id);
  if (FAILED(result)) cannotCreate(result);
  return id;
}

Object objectOf(com::ComPtr<IDispatch> dispatch) {
  return Object(std::make_shared<com::ComDispatch>(std::move(dispatch), com::Session::create()));
}

}  // namespace

Object attach(std::string_view progId) {
  if (ProgIdRegistry::instance().contains(progId)) return in_process::attach(progId);
  const CLSID id = classOf(progId);
  com::ComPtr<IUnknown> running;
  const HRESULT result = GetActiveObject(id, nullptr, running.out());
  if (FAILED(result) || !running) cannotCreate(result);
  auto dispatch = running.query<IDispatch>();
  if (!dispatch) cannotCreate(E_NOINTERFACE);
  return objectOf(std::move(dispatch));
}

Object create(std::string_view progId) {
  if (ProgIdRegistry::instance().contains(progId)) return in_process::create(progId);
  const CLSID id = classOf(progId);
  com::ComPtr<IDispatch> dispatch;
  const HRESULT result = CoCreateInstance(id, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER, IID_IDispatch,
                                          reinterpret_cast<void**>(dispatch.out()));
  if (FAILED(result) || !dispatch) cannotCreate(result);
  return objectOf(std::move(dispatch));
}

Connection connect(std::string_view progId) {
  try {
    return {attach(progId), true};
  } catch (const Error&) {
    return {create(progId), false};
  }
}

}  // namespace femap
