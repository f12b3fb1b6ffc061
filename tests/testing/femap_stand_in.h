#pragma once
// A FEMAP for in-process runs of the run-time programs: the simulated FEMAP, registered as
// "femap.model" and running, with chosen members answering differently (a failing save, a
// call that raises). The simulator's own registration comes back when the stand-in ends.

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "femap/connect.h"
#include "femapsim/application.h"
#include "femapsim/registration.h"
#include "support/strings.h"

namespace testing_support {

class FemapStandIn {
 public:
  using Answer = std::function<femap::Variant()>;

  FemapStandIn() : simulator_(std::make_shared<femapsim::Application>()) {
    auto dispatch = std::make_shared<Override>(simulator_, answers_);
    femap::ProgIdRegistry::instance().add(
        femap::kFemapProgId, {[dispatch] { return femap::Object(dispatch); }, nullptr});
  }
  ~FemapStandIn() {
    femap::ProgIdRegistry::instance().remove(femap::kFemapProgId);
    femapsim::registerFemapSim();
  }
  FemapStandIn(const FemapStandIn&) = delete;
  FemapStandIn& operator=(const FemapStandIn&) = delete;

  femapsim::Application& simulator() { return *simulator_; }
  // From now on the application's member `member` answers by calling `answer`.
  void answer(const std::string& member, Answer answer) {
    answers_->emplace(support::toLower(member), std::move(answer));
  }

 private:
  using Answers = std::map<std::string, Answer>;
  class Override : public femap::Dispatch {
   public:
    Override(std::shared_ptr<femapsim::Application> simulator, std::shared_ptr<Answers> answers)
        : simulator_(std::move(simulator)), answers_(std::move(answers)) {}
    std::string_view kind() const override { return "Application"; }
    femap::Variant invoke(std::string_view member, femap::Invoke how,
                          std::span<femap::Variant> args) override {
      auto found = answers_->find(support::toLower(member));
      if (found != answers_->end()) return found->second();
      return simulator_->invoke(member, how, args);
    }

   private:
    std::shared_ptr<femapsim::Application> simulator_;
    std::shared_ptr<Answers> answers_;
  };

  std::shared_ptr<femapsim::Application> simulator_;
  std::shared_ptr<Answers> answers_ = std::make_shared<Answers>();
};

}  // namespace testing_support
