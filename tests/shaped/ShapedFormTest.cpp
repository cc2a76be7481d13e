// The shaped form on a real, framed form: its region, rebuilding, dragging,
// placement checks, the AutoSize/Stretch rule and shapes too large for a window.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "framework/Exception.h"
#include "framework/Forms.h"
#include "framework/Region.h"
#include "tests/shaped/ShapedTestSupport.h"
#include "widgets/BMShapedForm.h"

using namespace shaped_test;
using widgets::TBMShapedForm;

namespace {

// Counts how often the shape is asked to be built.
class CountingShape : public TBMShapedForm {
 public:
  using TBMShapedForm::TBMShapedForm;
  int builds = 0;

 protected:
  void ObtainRegion() override {
    ++builds;
    TBMShapedForm::ObtainRegion();
  }
};

// A shown form with a frame and caption, holding one shaped form.
struct ShapedHost {
  explicit ShapedHost(bool auto_size = true, bool designing = false)
      : form(new fw::TForm(nullptr)) {
    form->SetDesigning(designing);
    // A fixed frame: a sizeable one would keep the window from growing smaller
    // than the system's minimum.
    form->SetBorderStyle(fw::TFormBorderStyle::bsSingle);
    form->SetBounds(60, 60, 200, 150);
    form->Show();
    Pump();
    shape = new CountingShape(form.get());
    shape->SetParent(form.get());
    shape->SetAutoSize(auto_size);
  }
  HWND Window() { return form->Handle(); }
  void SetPicture(const std::vector<std::string>& map) {
    shape->Picture().Assign(*PictureFromMap(map));
    Pump();
  }
  // Whether the window's region is `map`'s pixels at the client offset, each
  // pixel `scale` wide.
  ::testing::AssertionResult HasShape(const std::vector<std::string>& map, int scale = 1) {
    POINT offset = ClientOffset(Window());
    WindowRegion now = RegionOf(Window());
    if (now.kind == ERROR) return ::testing::AssertionFailure() << "the window has no region";
    fw::ScopedRegion want = MapRegion(map, offset.x, offset.y, scale);
    if (!::EqualRgn(now.region.get(), want.get()))
      return ::testing::AssertionFailure() << "the region differs from the picture's";
    return ::testing::AssertionSuccess();
  }
  void Mouse(UINT msg, WPARAM keys, int x, int y) {
    ::SendMessageW(Window(), msg, keys, MAKELPARAM(x, y));
  }

  std::unique_ptr<fw::TForm> form;
  CountingShape* shape;  // owned by the form
};

const std::vector<std::string> kRing = {
    "..####..",  //
    ".#....#.",  //
    "#..##..#",  //
    "#..##..#",  //
    ".#....#.",  //
    "..####..",
};

}  // namespace

TEST(ShapedForm, RegionIsThePictureAtTheClientOffsetAndTheFormTakesItsSize) {
  ShapedHost h;
  h.SetPicture(kRing);
  POINT offset = ClientOffset(h.Window());
  EXPECT_GT(offset.y, offset.x) << "the form has a caption";
  EXPECT_EQ(h.form->ClientWidth(), 8);
  EXPECT_EQ(h.form->ClientHeight(), 6);
  EXPECT_EQ(h.shape->BoundsRect(), (fw::TRect{0, 0, 8, 6}));
  EXPECT_TRUE(h.HasShape(kRing));
  EXPECT_FALSE(h.shape->ShapeTooComplex());
  EXPECT_TRUE(h.shape->Visible());
}

TEST(ShapedForm, PictureOfHolesOnlyLeavesAnEmptyRegion) {
  ShapedHost h;
  h.SetPicture({"...", "..."});
  WindowRegion now = RegionOf(h.Window());
  EXPECT_EQ(now.kind, NULLREGION);
}

TEST(ShapedForm, NoShapeFromAZeroSizeSourceNorInDesignMode) {
  {
    ShapedHost h(false);
    h.shape->SetAlign(fw::TAlign::alNone);
    h.shape->SetBounds(0, 0, 0, 20);
    h.SetPicture(kRing);
    EXPECT_EQ(RegionOf(h.Window()).kind, ERROR);
  }
  {
    ShapedHost h(true, true);
    h.SetPicture(kRing);
    EXPECT_EQ(RegionOf(h.Window()).kind, ERROR);
  }
}

TEST(ShapedForm, ResizingRebuildsAtTheNewSizeAndDraggingDoesNot) {
  // Stretched over the control: each picture pixel 10 x 10, then 20 x 20.
  ShapedHost h(false);
  h.shape->SetStretch(true);
  h.form->SetClientWidth(20);
  h.form->SetClientHeight(20);
  const std::vector<std::string> corner = {"#.", ".."};
  h.SetPicture(corner);
  EXPECT_TRUE(h.HasShape(corner, 10));
  h.form->SetClientWidth(40);
  h.form->SetClientHeight(40);
  Pump();
  EXPECT_EQ(h.shape->Width(), 40);
  EXPECT_TRUE(h.HasShape(corner, 20));

  int builds = h.shape->builds;
  RECT before = WindowRect(h.Window());
  h.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
  h.Mouse(WM_MOUSEMOVE, MK_LBUTTON, 9, 7);
  h.Mouse(WM_LBUTTONUP, 0, 5, 5);
  ASSERT_EQ(WindowRect(h.Window()).left, before.left + 4);
  EXPECT_EQ(h.shape->builds, builds);
  EXPECT_TRUE(h.HasShape(corner, 20));
}

TEST(ShapedForm, LeftButtonAloneDragsTheForm) {
  struct Row {
    const char* what;
    UINT down;
    WPARAM move_keys;
    bool moveable;
    bool moves;
  };
  const Row rows[] = {
      {"left button", WM_LBUTTONDOWN, MK_LBUTTON, true, true},
      {"with Ctrl", WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, true, false},
      {"with Shift", WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, true, false},
      {"right button", WM_RBUTTONDOWN, MK_RBUTTON, true, false},
      {"both buttons", WM_LBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, true, false},
      {"not Moveable", WM_LBUTTONDOWN, MK_LBUTTON, false, false},
  };
  ShapedHost h;
  h.shape->Picture().Assign(*PictureFromFunction(
      30, 20, [](int x, int y) { return x == 0 && y == 19 ? fw::clFuchsia : fw::clNavy; }));
  Pump();
  int moves_seen = 0;
  h.shape->OnMouseMove = [&](fw::TObject*, fw::TShiftState, int, int) { ++moves_seen; };
  for (const Row& r : rows) {
    h.shape->SetMoveable(r.moveable);
    RECT before = WindowRect(h.Window());
    h.Mouse(r.down, r.down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, 10, 10);
    h.Mouse(WM_MOUSEMOVE, r.move_keys, 15, 8);
    RECT after = WindowRect(h.Window());
    EXPECT_EQ(after.left - before.left, r.moves ? 5 : 0) << r.what;
    EXPECT_EQ(after.top - before.top, r.moves ? -2 : 0) << r.what;
    EXPECT_EQ(h.form->Left(), after.left) << r.what;
    h.Mouse(r.down == WM_LBUTTONDOWN ? WM_LBUTTONUP : WM_RBUTTONUP, 0, 15, 8);
  }
  EXPECT_EQ(moves_seen, 6) << "OnMouseMove is raised for every move";

  // After the release a move with the button flag set (no press seen) moves nothing.
  h.shape->SetMoveable(true);
  RECT before = WindowRect(h.Window());
  h.Mouse(WM_MOUSEMOVE, MK_LBUTTON, 20, 12);
  EXPECT_EQ(WindowRect(h.Window()).left, before.left);
}

TEST(ShapedForm, PlacementChecksRaiseAfterTheParentIsAssigned) {
  ShapedHost h;
  auto second = std::make_unique<TBMShapedForm>(nullptr);
  try {
    second->SetParent(h.form.get());
    ADD_FAILURE() << "a second shaped form was accepted";
  } catch (const fw::Exception& e) {
    EXPECT_EQ(e.Message(), "Please Drop only one TBMShapedForm per Form");
  }
  EXPECT_EQ(second->Parent(), h.form.get());
  second.reset();
  EXPECT_EQ(h.form->ControlCount(), 1);

  fw::TPanel* panel = new fw::TPanel(h.form.get());
  panel->SetParent(h.form.get());
  auto third = std::make_unique<TBMShapedForm>(nullptr);
  try {
    third->SetParent(panel);
    ADD_FAILURE() << "a shaped form was accepted on a panel";
  } catch (const fw::Exception& e) {
    EXPECT_EQ(e.Message(), "Please Drop on a Form");
  }
  EXPECT_EQ(third->Parent(), panel);
  EXPECT_NO_THROW(third->SetParent(nullptr));
}

TEST(ShapedForm, ExactlyOneOfAutoSizeAndStretchAfterEachPaint) {
  ShapedHost h(false);
  auto paint = [&] {
    ::RedrawWindow(h.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
  };
  // No picture: the rule waits.
  paint();
  EXPECT_FALSE(h.shape->AutoSize());
  EXPECT_FALSE(h.shape->Stretch());

  h.SetPicture(kRing);
  paint();
  EXPECT_TRUE(h.shape->AutoSize()) << "a new control becomes AutoSize";
  EXPECT_FALSE(h.shape->Stretch());

  h.shape->SetStretch(true);
  paint();
  EXPECT_FALSE(h.shape->AutoSize()) << "the most recent change wins";
  EXPECT_TRUE(h.shape->Stretch());

  h.shape->SetStretch(false);
  paint();
  EXPECT_TRUE(h.shape->AutoSize()) << "switching Stretch off switches AutoSize on";

  h.shape->SetAutoSize(false);
  paint();
  EXPECT_TRUE(h.shape->Stretch()) << "switching AutoSize off switches Stretch on";
  EXPECT_FALSE(h.shape->AutoSize());

  h.shape->SetAutoSize(true);
  paint();
  EXPECT_TRUE(h.shape->AutoSize());
  EXPECT_FALSE(h.shape->Stretch());
}

// Pictures whose shapes have more rectangles than a window region may hold.
TEST(ShapedForm, ShapeTooLargeForAWindowFallsBackToTheRectangle) {
  ShapedHost h;
  h.SetPicture(kRing);
  ASSERT_TRUE(h.HasShape(kRing));

  // A checkerboard: every row its own one-pixel rectangles, one row over the limit.
  const int rows = fw::kMaxWindowRegionRects / 125 + 1;
  auto board = [](int x, int y) { return (x + y) % 2 ? fw::clNavy : fw::clFuchsia; };
  h.shape->Picture().Assign(*PictureFromFunction(250, rows + 1, board));
  Pump();
  EXPECT_TRUE(h.shape->ShapeTooComplex());
  EXPECT_EQ(RegionOf(h.Window()).kind, ERROR) << "the window is a plain rectangle again";
  EXPECT_EQ(h.form->ClientWidth(), 250) << "the picture is shown whole";

  // One row fewer is within the limit: shaped again.
  h.shape->Picture().Assign(*PictureFromFunction(250, rows - 1, board));
  Pump();
  EXPECT_FALSE(h.shape->ShapeTooComplex());
  EXPECT_EQ(RegionOf(h.Window()).kind, COMPLEXREGION);

  // Noise of five colours, one of them the key: about 49,000 runs, more than X
  // takes for a window's shape. The process lives on.
  const fw::TColor colours[5] = {fw::clFuchsia, fw::clNavy, fw::clTeal, fw::clOlive, fw::clGray};
  uint32_t state = 7;
  auto noise = [&](int x, int y) {
    state = state * 1664525u + 1013904223u;
    return x == 0 && y == 479 ? fw::clFuchsia : colours[(state >> 16) % 5];
  };
  h.shape->Picture().Assign(*PictureFromFunction(640, 480, noise));
  Pump();
  EXPECT_TRUE(h.shape->ShapeTooComplex());
  EXPECT_EQ(RegionOf(h.Window()).kind, ERROR);
}
