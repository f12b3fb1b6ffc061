#include "runtime/beep.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#endif

namespace runtime {

void systemBeep() {
#ifdef _WIN32
  MessageBeep(MB_OK);
#else
  // A windowless program's beep elsewhere: the terminal bell on standard error.
  std::fputc('\a', stderr);
  std::fflush(stderr);
#endif
}

}  // namespace runtime
