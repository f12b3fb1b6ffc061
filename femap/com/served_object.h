#pragma once
// The server side of the transport: any femap::Object served to COM clients through
// IDispatch, so that an automation server written on the automation interface (the simulated
// FEMAP's local server) reaches its clients exactly as FEMAP does.
//
// - GetIDsOfNames accepts every name, matched without regard to letter case, and gives a
//   name the same DISPID on every object of the same kind, so clients may keep DISPIDs per
//   kind. An unknown member is refused when it is called: the object's femap::Error reaches
//   the client as DISP_E_EXCEPTION with the error's text as the description.
// - GetTypeInfo gives a type information whose name (GetDocumentation of MEMBERID_NIL) is the
//   object's kind; it answers nothing else.
// - Invoke: DISPATCH_PROPERTYPUT or PUTREF is a Put (the value, named DISPID_PROPERTYPUT,
//   goes last), DISPATCH_METHOD a Method, DISPATCH_PROPERTYGET alone a Get. Arguments reach
//   the object first to last; by-reference arguments are written back after the call.

#include "femap/com/com_headers.h"

#include <chrono>

#include "femap/com/com_ptr.h"
#include "femap/object.h"

namespace femap::com {

ComPtr<IDispatch> serve(Object object);

// The object behind `dispatch` when serve() made it in this process, else an empty Object.
Object servedObject(IDispatch* dispatch);

// When a client last called into this process's served objects (or noteServedCall ran).
std::chrono::steady_clock::time_point lastServedCall();
void noteServedCall();

}  // namespace femap::com
