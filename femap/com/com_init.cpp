#include "femap/com/com_init.h"

#include "femap/com/com_headers.h"

#include "femap/com/com_error.h"

namespace femap::com {

ComInit::ComInit() {
  const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // Already initialised in another mode: COM is usable, and not ours to end.
  if (result == RPC_E_CHANGED_MODE) return;
  if (FAILED(result)) throw comError(result, "Cannot initialise COM");
  initialised_ = true;
}

ComInit::~ComInit() {
  if (initialised_) CoUninitialize();
}

}  // namespace femap::com
