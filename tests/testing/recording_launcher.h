#pragma once
// A ProcessLauncher that starts nothing: it keeps every request it is given and answers with
// what the test's `act` does in the request's folder (write a program's files) and returns.
// Evaluation rules thus become unit tests that run the same on every platform.

#include <functional>
#include <mutex>
#include <vector>

#include "support/process.h"

namespace testing_support {

class RecordingLauncher : public support::ProcessLauncher {
 public:
  using Act = std::function<support::ProcessOutcome(const support::ProcessRequest&)>;

  explicit RecordingLauncher(Act act) : act_(std::move(act)) {}

  support::ProcessOutcome run(const support::ProcessRequest& request) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
    }
    return act_(request);
  }

  std::vector<support::ProcessRequest> requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

  // An outcome of a program that exited with `status`.
  static support::ProcessOutcome exited(int status) {
    support::ProcessOutcome outcome;
    outcome.kind = support::ProcessOutcome::Kind::exited;
    outcome.status = status;
    return outcome;
  }

 private:
  Act act_;
  mutable std::mutex mutex_;
  std::vector<support::ProcessRequest> requests_;
};

}  // namespace testing_support
