#include "support/progid_registry.h"

#include <gtest/gtest.h>

#include <memory>

namespace support {
namespace {

struct Instance {
  int id;
};
using Registry = ProgIdRegistry<std::shared_ptr<Instance>>;

TEST(ProgIdRegistryTest, ProgIdsMatchWithoutRegardToCase) {
  Registry& registry = Registry::instance();
  registry.add("Femap.Model", {[] { return std::shared_ptr<Instance>(); },
                               [] { return std::make_shared<Instance>(Instance{7}); }});
  EXPECT_TRUE(registry.contains("femap.model"));
  const auto* factory = registry.find("FEMAP.MODEL");
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->attach(), nullptr);
  EXPECT_EQ(factory->create()->id, 7);

  registry.remove("FEMAP.model");
  EXPECT_FALSE(registry.contains("Femap.Model"));
  EXPECT_EQ(registry.find("femap.model"), nullptr);
}

}  // namespace
}  // namespace support
