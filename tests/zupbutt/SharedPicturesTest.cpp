// The pictures and fonts that controls share: one per key while someone holds it,
// a fresh one once no one does, and never one made for another scale or thread.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "framework/Module.h"
#include "framework/SharedPictures.h"
#include "widgets/ZupButt.h"

namespace {

using fw::DpiScale;
using fw::SharedResourcePicture;

TEST(SharedPictures, OneScaleAndNameShareOnePictureWhileHeldAndOnlyThen) {
  auto first = SharedResourcePicture(fw::ModuleHandle(), L"BUTTON39ON", DpiScale(96));
  auto again = SharedResourcePicture(fw::ModuleHandle(), L"BUTTON39ON", DpiScale(96));
  EXPECT_EQ(first, again);
  // Another scale or filter is another picture, drawn for it.
  auto larger = SharedResourcePicture(fw::ModuleHandle(), L"BUTTON39ON", DpiScale(144));
  auto nearest = SharedResourcePicture(fw::ModuleHandle(), L"BUTTON39ON", DpiScale(144),
                                       fw::TScaleFilter::kNearest);
  EXPECT_NE(larger, first);
  EXPECT_NE(nearest, larger);
  EXPECT_EQ(larger->Width(), DpiScale(144).Apply(first->Width()));
  // Once no one holds it, the picture and its bitmap go; a later call makes another.
  std::weak_ptr<fw::TBitmap> gone = first;
  first.reset();
  again.reset();
  EXPECT_TRUE(gone.expired());
  auto fresh = SharedResourcePicture(fw::ModuleHandle(), L"BUTTON39ON", DpiScale(96));
  EXPECT_FALSE(fresh->Empty());
  // A name the module does not have gives an empty picture, as a load would.
  EXPECT_TRUE(SharedResourcePicture(fw::ModuleHandle(), L"NO SUCH PICTURE", DpiScale(96))->Empty());
}

TEST(SharedPictures, AnotherThreadGetsAPictureOfItsOwn) {
  // A picture's DC serves one thread at a time.
  auto here = SharedResourcePicture(fw::ModuleHandle(), L"GREYKEYOFF", DpiScale(96));
  std::shared_ptr<fw::TBitmap> there;
  std::thread([&] {
    there = SharedResourcePicture(fw::ModuleHandle(), L"GREYKEYOFF", DpiScale(96));
  }).join();
  ASSERT_NE(there, nullptr);
  EXPECT_NE(there, here);
  EXPECT_EQ(there->Width(), here->Width());
}

TEST(SharedPictures, AFontIsMadeOnceWhileHeldAndAgainOnceLetGo) {
  int made = 0;
  auto make = [&made] {
    ++made;
    fw::SharedFont f;
    f.Font.reset(::CreateFontW(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, L"Tahoma"));
    f.Measure = made;
    return f;
  };
  auto a = fw::SharedFontFor("test font", make);
  auto b = fw::SharedFontFor("test font", make);
  EXPECT_EQ(made, 1);
  EXPECT_EQ(a, b);
  auto other = fw::SharedFontFor("another test font", make);
  EXPECT_EQ(made, 2);
  a.reset();
  b.reset();
  auto c = fw::SharedFontFor("test font", make);
  EXPECT_EQ(made, 3);
  EXPECT_EQ(c->Measure, 3);
}

TEST(SharedPictures, ButtonsOfOneScaleShareTheirCaptionFontAndKeepItAfterOthersGo) {
  auto first = std::make_unique<widgets::TZupButt>(nullptr);
  widgets::TZupButt second(nullptr);
  EXPECT_EQ(first->CaptionFont(), second.CaptionFont());
  EXPECT_EQ(first->CharWidth(), second.CharWidth());
  first.reset();
  // The font lives while a button holds it.
  LOGFONTW lf{};
  ASSERT_TRUE(::GetObjectW(second.CaptionFont(), sizeof(lf), &lf));
  EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
}

}  // namespace
