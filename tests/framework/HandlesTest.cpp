// The generic owner: what it releases, when, and how often; and the owners whose
// release puts something back into a DC.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/HandleNames.h"

namespace {

// Every release, as "<traits tag>:<value>".
std::vector<std::string> g_freed;

// Values are ints, 0 and -1 own nothing; the tag travels with the value.
struct CountingTraits {
  char tag = 'a';
  static int InvalidValue() { return 0; }
  static bool IsValid(int v) { return v != 0 && v != -1; }
  void Free(int v) const { g_freed.push_back(std::string(1, tag) + ":" + std::to_string(v)); }
};
using Counted = fw::Scoped<int, CountingTraits>;
using Freed = std::vector<std::string>;

TEST(Scoped, EachValueIsReleasedExactlyOnceByItsLastOwner) {
  const struct {
    const char* name;
    std::function<void()> run;
    Freed freed;  // in order, once the case has ended
  } cases[] = {
      {"scope end", [] { Counted a(1); }, {"a:1"}},
      {"empty values", [] { EXPECT_FALSE(Counted(-1)); }, {}},
      {"move construction",
       [] {
         Counted a(2, {'x'});
         Counted b(std::move(a));
         EXPECT_TRUE(g_freed.empty() && !a && b.get() == 2);
       },
       {"x:2"}},
      {"move assignment releases the target's value at once",
       [] {
         Counted a(3, {'x'}), b(4, {'y'});
         b = std::move(a);
         EXPECT_EQ(g_freed, Freed{"y:4"});
       },
       {"y:4", "x:3"}},
      {"self move",
       [] {
         Counted a(5), &same = a;
         a = std::move(same);
       },
       {"a:5"}},
      {"reset to another value, the same, nothing",
       [] {
         Counted a(6);
         a.reset(7);
         a.reset(7);
         a.reset();
         a.reset();
       },
       {"a:6", "a:7"}},
      {"reset with new traits", [] { Counted(8, {'x'}).reset(9, {'y'}); }, {"x:8", "y:9"}},
      {"release hands over", [] { EXPECT_EQ(Counted(10).release(), 10); }, {}},
      {"receive for an out-parameter", [] { *Counted(11).Receive() = 12; }, {"a:11", "a:12"}},
  };
  for (const auto& c : cases) {
    g_freed.clear();
    c.run();
    EXPECT_EQ(g_freed, c.freed) << c.name;
  }
}

// The DC gets its own pen and state back when the last owner goes, also after a move.
TEST(DCOwners, SelectionAndSavedStateComeBack) {
  fw::MemoryDC dc(nullptr);
  ASSERT_TRUE(dc);
  HGDIOBJ own_pen = ::GetCurrentObject(dc.get(), OBJ_PEN);
  fw::ScopedPen red(::CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
  {
    fw::SelectObjectScope outer;
    {
      fw::SelectObjectScope selected(dc.get(), red.get());
      outer = std::move(selected);
    }
    EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_PEN), red.get());
  }
  EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_PEN), own_pen);
  EXPECT_FALSE(fw::SelectObjectScope(dc.get(), nullptr));  // nothing to put back

  ::SetTextColor(dc.get(), RGB(1, 2, 3));
  {
    fw::SavedDCState saved(dc.get());
    ::SetTextColor(dc.get(), RGB(4, 5, 6));
    fw::SavedDCState moved(std::move(saved));
  }
  EXPECT_EQ(::GetTextColor(dc.get()), RGB(1, 2, 3));
}

}  // namespace
