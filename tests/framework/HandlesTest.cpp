// The generic owner: what it releases, when, and how often; and the owners whose
// release puts something back into a DC.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Handles.h"

namespace {

// Every release, as "<owner tag>:<value>".
std::vector<std::string> g_freed;

// Values are ints, 0 and -1 own nothing; the tag travels with the value.
struct CountingTraits {
  char tag = 'a';
  static int InvalidValue() { return 0; }
  static bool IsValid(int v) { return v != 0 && v != -1; }
  void Free(int v) const { g_freed.push_back(std::string(1, tag) + ":" + std::to_string(v)); }
};
using Counted = fw::Scoped<int, CountingTraits>;

struct OwnerCase {
  const char* name;
  std::function<void()> run;
  std::vector<std::string> freed;  // in order, once the case has ended
};

TEST(Scoped, EachValueIsReleasedExactlyOnceByItsLastOwner) {
  const OwnerCase cases[] = {
      {"scope end", [] { Counted a(1); }, {"a:1"}},
      {"empty values own nothing",
       [] {
         Counted none;
         Counted minus(-1);
         EXPECT_FALSE(none);
         EXPECT_FALSE(minus);
       },
       {}},
      {"move construction",
       [] {
         Counted a(2, {'x'});
         Counted b(std::move(a));
         EXPECT_FALSE(a);
         EXPECT_EQ(b.get(), 2);
         EXPECT_TRUE(g_freed.empty());
       },
       {"x:2"}},
      {"move assignment releases the target's value first",
       [] {
         Counted a(3, {'x'});
         Counted b(4, {'y'});
         b = std::move(a);
         EXPECT_EQ(g_freed, std::vector<std::string>{"y:4"});
         EXPECT_EQ(b.traits().tag, 'x');
       },
       {"y:4", "x:3"}},
      {"self move keeps the value",
       [] {
         Counted a(5);
         Counted& same = a;
         a = std::move(same);
         EXPECT_EQ(a.get(), 5);
       },
       {"a:5"}},
      {"reset to another value, to the same, to nothing",
       [] {
         Counted a(6);
         a.reset(7);
         a.reset(7);
         a.reset();
         a.reset();
       },
       {"a:6", "a:7"}},
      {"reset with new traits releases with the old ones",
       [] {
         Counted a(8, {'x'});
         a.reset(9, {'y'});
       },
       {"x:8", "y:9"}},
      {"release hands the value over",
       [] {
         Counted a(10);
         EXPECT_EQ(a.release(), 10);
         EXPECT_FALSE(a);
       },
       {}},
      {"receive empties the owner for an out-parameter",
       [] {
         Counted a(11);
         *a.Receive() = 12;
         EXPECT_EQ(g_freed, std::vector<std::string>{"a:11"});
       },
       {"a:11", "a:12"}},
  };
  for (const OwnerCase& c : cases) {
    g_freed.clear();
    c.run();
    EXPECT_EQ(g_freed, c.freed) << c.name;
  }
}

// A release that reaches back into its owner, as a window's destroy notification
// does, finds it empty already: the value goes once.
TEST(Scoped, ReleaseThatReachesBackIntoItsOwnerRunsOnce) {
  struct ReentrantTraits;
  using Reentrant = fw::Scoped<int, ReentrantTraits>;
  static Reentrant* owner = nullptr;
  struct ReentrantTraits {
    static int InvalidValue() { return 0; }
    static void Free(int v) {
      g_freed.push_back(std::to_string(v) + (owner->get() ? " while owned" : ""));
      (void)owner->release();
    }
  };
  g_freed.clear();
  {
    Reentrant window(1);
    owner = &window;
    window.reset();
    EXPECT_FALSE(window);
  }
  EXPECT_EQ(g_freed, std::vector<std::string>{"1"});
}

// Owners that put the DC's own objects back, also after being moved.
TEST(DCOwners, SelectionAndSavedStateComeBackWhenTheLastOwnerGoes) {
  fw::MemoryDC dc(nullptr);
  ASSERT_TRUE(dc);
  HGDIOBJ own_pen = ::GetCurrentObject(dc.get(), OBJ_PEN);
  fw::ScopedPen red(::CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
  {
    fw::SelectObjectScope outer;
    {
      fw::SelectObjectScope selected(dc.get(), red.get());
      ASSERT_TRUE(selected);
      outer = std::move(selected);
    }
    EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_PEN), red.get());
  }
  EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_PEN), own_pen);
  // A failed selection has nothing to put back.
  EXPECT_FALSE(fw::SelectObjectScope(dc.get(), nullptr));

  ::SetTextColor(dc.get(), RGB(1, 2, 3));
  {
    fw::SavedDCState saved(dc.get());
    ::SetTextColor(dc.get(), RGB(4, 5, 6));
    fw::SavedDCState moved(std::move(saved));
  }
  EXPECT_EQ(::GetTextColor(dc.get()), RGB(1, 2, 3));

  EXCEPINFO info{};
  info.bstrDescription = ::SysAllocString(L"failed");
  { fw::ExcepInfoStrings texts(&info); }
  EXPECT_EQ(info.bstrDescription, nullptr);
}

}  // namespace
