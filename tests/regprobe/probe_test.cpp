// The probe against the in-process ProgID registry, with factories that work and fail.
#include "regprobe/probe.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "femap/connect.h"
#include "testing/temp_dir.h"

namespace regprobe {
namespace {

class Probed : public femap::Dispatch {
 public:
  std::string_view kind() const override { return "Probed"; }
  femap::Variant invoke(std::string_view, femap::Invoke, std::span<femap::Variant>) override {
    return {};
  }
};

class ProbeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto& registry = femap::ProgIdRegistry::instance();
    registry.add("corvane.works", {nullptr, [this] {
                                     auto object = std::make_shared<Probed>();
                                     created_ = object;
                                     return femap::Object(object);
                                   }});
    registry.add("corvane.throws",
                 {nullptr, []() -> femap::Object { throw std::runtime_error("server failed"); }});
    registry.add("corvane.empty", {nullptr, [] { return femap::Object(); }});
  }
  void TearDown() override {
    for (const char* progId : {"corvane.works", "corvane.throws", "corvane.empty"}) {
      femap::ProgIdRegistry::instance().remove(progId);
    }
  }
  std::string probe(const std::string& progId) {
    Probe probe([](std::string_view id) { return femap::create(id); });
    std::ostringstream diagnostics;
    EXPECT_EQ(probe.run((dir_ / "answer.txt").string() + "$$" + progId, diagnostics), kAnswered);
    EXPECT_EQ(diagnostics.str(), "");
    return dir_.read("answer.txt");
  }

  testing_support::ScopedTempDir dir_;
  std::weak_ptr<Probed> created_;
};

TEST_F(ProbeTest, RegisteredFactoriesThatFailAnswerDoesNotExist) {
  EXPECT_EQ(probe("corvane.throws"), "1 : The Prog ID does not exist.\r\n");
  EXPECT_EQ(probe("corvane.empty"), "1 : The Prog ID does not exist.\r\n");
  EXPECT_EQ(probe("corvane.unknown"), "1 : The Prog ID does not exist.\r\n");
  EXPECT_EQ(probe("CORVANE.WORKS"), "0 : The Prog ID exist.\r\n");
}

TEST_F(ProbeTest, TheCreatedObjectIsHeldUntilTheProbeEnds) {
  {
    Probe probe([](std::string_view id) { return femap::create(id); });
    std::ostringstream diagnostics;
    probe.run((dir_ / "answer.txt").string() + "$$corvane.works", diagnostics);
    EXPECT_FALSE(created_.expired());
  }
  EXPECT_TRUE(created_.expired());
}

}  // namespace
}  // namespace regprobe
