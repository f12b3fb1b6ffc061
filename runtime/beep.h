#pragma once
// The system beep with which a run-time program draws attention to a failure.

namespace runtime {

void systemBeep();

}  // namespace runtime
