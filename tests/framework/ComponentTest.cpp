#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Component.h"

namespace {

// Records its own destruction in a shared log.
class Tracked : public fw::TComponent {
 public:
  Tracked(fw::TComponent* owner, std::string name, std::vector<std::string>* log)
      : fw::TComponent(owner), log_(log) {
    SetName(std::move(name));
  }
  ~Tracked() override { log_->push_back(Name()); }

 private:
  std::vector<std::string>* log_;
};

// Each destructor body runs before its owned components go, so the log lists an
// owner before what it owns.
TEST(Component, OwnerDestroysWhatItOwnsLastFirst) {
  std::vector<std::string> log;
  {
    Tracked root(nullptr, "root", &log);
    auto* a = new Tracked(&root, "a", &log);
    new Tracked(a, "a1", &log);
    new Tracked(&root, "b", &log);
    EXPECT_EQ(root.ComponentCount(), 2);
    EXPECT_EQ(root.FindComponent("b"), root.Components(1));
    EXPECT_EQ(root.FindComponent("a1"), nullptr);  // owned by a, not by root
  }
  EXPECT_EQ(log, (std::vector<std::string>{"root", "b", "a", "a1"}));
}

TEST(Component, DeletingAnOwnedComponentTakesItOutOfItsOwner) {
  std::vector<std::string> log;
  Tracked root(nullptr, "root", &log);
  auto* a = new Tracked(&root, "a", &log);
  new Tracked(&root, "b", &log);
  delete a;
  ASSERT_EQ(root.ComponentCount(), 1);
  EXPECT_EQ(root.Components(0)->Name(), "b");
  EXPECT_EQ(log, (std::vector<std::string>{"a"}));
}

TEST(Component, DesignModeReachesOwnedComponentsAndNewOnes) {
  fw::TComponent root(nullptr);
  auto* early = new fw::TComponent(&root);
  root.SetDesigning(true);
  auto* late = new fw::TComponent(&root);
  EXPECT_TRUE(early->Designing());
  EXPECT_TRUE(late->Designing());
}

}  // namespace
