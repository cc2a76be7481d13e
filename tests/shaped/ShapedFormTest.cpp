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

// A shown form with a fixed frame and a caption, holding one shaped form. (A
// sizeable frame would keep the window from becoming smaller than the system's
// minimum.)
struct ShapedHost {
  explicit ShapedHost(bool auto_size = true, bool designing = false)
      : form(new fw::TForm(nullptr)) {
    form->SetDesigning(designing);
    form->SetBorderStyle(fw::TFormBorderStyle::bsSingle);
    form->SetBounds(60, 60, 200, 150);
    form->Show();
    shape = new CountingShape(form.get());
    shape->SetParent(form.get());
    shape->SetAutoSize(auto_size);
  }
  HWND Window() { return form->Handle(); }
  void SetPicture(std::unique_ptr<fw::TBitmap> picture) {
    shape->Picture().Assign(*picture);
    Pump();
  }
  // Whether the window's region is the map's pixels, `scale` wide, at the client offset.
  ::testing::AssertionResult HasShape(const std::vector<std::string>& map, int scale = 1) {
    fw::ScopedRegion now;
    if (RegionKind(Window(), &now) == ERROR) return ::testing::AssertionFailure() << "no region";
    if (!::EqualRgn(now.get(), MapRegion(map, ClientOffset(Window()), scale).get()))
      return ::testing::AssertionFailure() << "the region differs from the picture's";
    return ::testing::AssertionSuccess();
  }
  void Mouse(UINT msg, WPARAM keys, int x, int y) {
    ::SendMessageW(Window(), msg, keys, MAKELPARAM(x, y));
  }
  int WindowLeft() {
    RECT r{};
    ::GetWindowRect(Window(), &r);
    return r.left;
  }

  std::unique_ptr<fw::TForm> form;
  CountingShape* shape;  // owned by the form
};

const std::vector<std::string> kRing = {
    "..####..", ".#....#.", "#..##..#", "#..##..#", ".#....#.", "..####..",
};

}  // namespace

TEST(ShapedForm, RegionIsThePictureAtTheClientOffsetAndTheFormTakesItsSize) {
  ShapedHost h;
  h.SetPicture(PictureFromMap(kRing));
  POINT offset = ClientOffset(h.Window());
  EXPECT_GT(offset.y, offset.x) << "the form has a caption";
  EXPECT_EQ(h.form->ClientWidth(), 8);
  EXPECT_EQ(h.form->ClientHeight(), 6);
  EXPECT_EQ(h.shape->BoundsRect(), (fw::TRect{0, 0, 8, 6}));
  EXPECT_TRUE(h.HasShape(kRing));
  EXPECT_TRUE(h.shape->Visible());

  h.SetPicture(PictureFromMap({"...", "..."}));
  EXPECT_EQ(RegionKind(h.Window()), NULLREGION) << "holes only: nothing of the form shows";
}

TEST(ShapedForm, AnEmptyPictureWithAutoSizeKeepsTheFormsSizeAndItsLastShape) {
  ShapedHost h;
  h.SetPicture(PictureFromMap(kRing));
  h.SetPicture(std::make_unique<fw::TBitmap>());
  ASSERT_TRUE(h.shape->Picture().Empty());
  EXPECT_TRUE(h.shape->AutoSize());
  EXPECT_EQ(h.form->ClientWidth(), 8);
  EXPECT_EQ(h.form->ClientHeight(), 6);
  EXPECT_TRUE(h.HasShape(kRing));
}

TEST(ShapedForm, NoShapeFromAZeroSizeSourceNorInDesignMode) {
  ShapedHost zero(false);
  zero.shape->SetAlign(fw::TAlign::alNone);
  zero.shape->SetBounds(0, 0, 0, 20);
  zero.SetPicture(PictureFromMap(kRing));
  EXPECT_EQ(RegionKind(zero.Window()), ERROR);

  ShapedHost designing(true, true);
  designing.SetPicture(PictureFromMap(kRing));
  EXPECT_EQ(RegionKind(designing.Window()), ERROR);
}

TEST(ShapedForm, ResizingRebuildsAtTheNewSizeAndDraggingDoesNot) {
  // Stretched over the control: each picture pixel 10 x 10, then 20 x 20.
  ShapedHost h(false);
  h.shape->SetStretch(true);
  h.form->SetClientWidth(20);
  h.form->SetClientHeight(20);
  const std::vector<std::string> corner = {"#.", ".."};
  h.SetPicture(PictureFromMap(corner));
  EXPECT_TRUE(h.HasShape(corner, 10));
  h.form->SetClientWidth(40);
  h.form->SetClientHeight(40);
  Pump();
  EXPECT_TRUE(h.HasShape(corner, 20));

  int builds = h.shape->builds;
  int left = h.WindowLeft();
  h.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 5, 5);
  h.Mouse(WM_MOUSEMOVE, MK_LBUTTON, 9, 7);
  h.Mouse(WM_LBUTTONUP, 0, 5, 5);
  ASSERT_EQ(h.WindowLeft(), left + 4);
  EXPECT_EQ(h.shape->builds, builds);
  EXPECT_TRUE(h.HasShape(corner, 20)) << "the region moves with the window";
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
  h.SetPicture(PictureFromFunction(
      30, 20, [](int x, int y) { return x == 0 && y == 19 ? fw::clFuchsia : fw::clNavy; }));
  int moves_seen = 0;
  h.shape->OnMouseMove = [&](fw::TObject*, fw::TShiftState, int, int) { ++moves_seen; };
  for (const Row& r : rows) {
    h.shape->SetMoveable(r.moveable);
    RECT before{}, after{};
    ::GetWindowRect(h.Window(), &before);
    bool left = r.down == WM_LBUTTONDOWN;
    h.Mouse(r.down, left ? MK_LBUTTON : MK_RBUTTON, 10, 10);
    h.Mouse(WM_MOUSEMOVE, r.move_keys, 15, 8);
    ::GetWindowRect(h.Window(), &after);
    EXPECT_EQ(after.left - before.left, r.moves ? 5 : 0) << r.what;
    EXPECT_EQ(after.top - before.top, r.moves ? -2 : 0) << r.what;
    EXPECT_EQ(h.form->Left(), after.left) << r.what;
    h.Mouse(left ? WM_LBUTTONUP : WM_RBUTTONUP, 0, 15, 8);
  }
  EXPECT_EQ(moves_seen, 6) << "OnMouseMove is raised for every move";

  // After the release, a move with the button's flag but no press seen moves nothing.
  h.shape->SetMoveable(true);
  int before = h.WindowLeft();
  h.Mouse(WM_MOUSEMOVE, MK_LBUTTON, 20, 12);
  EXPECT_EQ(h.WindowLeft(), before);
}

TEST(ShapedForm, PlacementChecksRaiseAfterTheParentIsAssigned) {
  ShapedHost h;
  fw::TPanel* panel = new fw::TPanel(h.form.get());
  panel->SetParent(h.form.get());
  struct Row {
    fw::TWinControl* parent;
    const char* message;
  };
  const Row rows[] = {{h.form.get(), "Please Drop only one TBMShapedForm per Form"},
                      {panel, "Please Drop on a Form"}};
  for (const Row& r : rows) {
    TBMShapedForm other(nullptr);
    try {
      other.SetParent(r.parent);
      ADD_FAILURE() << "accepted: " << r.message;
    } catch (const fw::Exception& e) {
      EXPECT_EQ(e.Message(), r.message);
    }
    EXPECT_EQ(other.Parent(), r.parent);
  }
  EXPECT_EQ(h.form->ControlCount(), 2) << "the rejected ones left with their destruction";
}

TEST(ShapedForm, ExactlyOneOfAutoSizeAndStretchAfterEachPaint) {
  ShapedHost h(false);
  struct Step {
    const char* what;
    int set_auto_size;  // -1: leave
    int set_stretch;
    bool auto_size;
    bool stretch;
  };
  const Step steps[] = {
      {"a new control becomes AutoSize", -1, -1, true, false},
      {"Stretch switched on wins", -1, 1, false, true},
      {"Stretch switched off turns AutoSize on", -1, 0, true, false},
      {"AutoSize switched off turns Stretch on", 0, -1, false, true},
      {"AutoSize switched on wins", 1, -1, true, false},
  };
  h.SetPicture(PictureFromMap(kRing));
  for (const Step& s : steps) {
    if (s.set_auto_size >= 0) h.shape->SetAutoSize(s.set_auto_size);
    if (s.set_stretch >= 0) h.shape->SetStretch(s.set_stretch);
    ::RedrawWindow(h.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(h.shape->AutoSize(), s.auto_size) << s.what;
    EXPECT_EQ(h.shape->Stretch(), s.stretch) << s.what;
  }
}

// Pictures whose shapes have more rectangles than a window region may hold.
TEST(ShapedForm, ShapeTooLargeForAWindowFallsBackToTheRectangle) {
  ShapedHost h;
  h.SetPicture(PictureFromMap(kRing));
  ASSERT_TRUE(h.HasShape(kRing));

  // A checkerboard: every row its own 125 one-pixel rectangles; one row over the limit.
  const int rows = fw::kMaxWindowRegionRects / 125 + 1;
  auto board = [](int x, int y) { return (x + y) % 2 ? fw::clNavy : fw::clFuchsia; };
  h.SetPicture(PictureFromFunction(250, rows, board));
  EXPECT_TRUE(h.shape->ShapeTooComplex());
  EXPECT_EQ(RegionKind(h.Window()), ERROR) << "the window is a plain rectangle again";
  EXPECT_EQ(h.form->ClientWidth(), 250) << "the picture is shown whole";

  h.SetPicture(PictureFromFunction(250, rows - 1, board));
  EXPECT_FALSE(h.shape->ShapeTooComplex());
  EXPECT_EQ(RegionKind(h.Window()), COMPLEXREGION);

  // Noise of five colours, one of them the key: about 49,000 runs, more than X
  // takes for a window's shape. The process lives on.
  const fw::TColor colours[5] = {fw::clFuchsia, fw::clNavy, fw::clTeal, fw::clOlive, fw::clGray};
  uint32_t state = 7;
  h.SetPicture(PictureFromFunction(640, 480, [&](int x, int y) {
    state = state * 1664525u + 1013904223u;
    return x == 0 && y == 479 ? fw::clFuchsia : colours[(state >> 16) % 5];
  }));
  EXPECT_TRUE(h.shape->ShapeTooComplex());
  EXPECT_EQ(RegionKind(h.Window()), ERROR);
}
