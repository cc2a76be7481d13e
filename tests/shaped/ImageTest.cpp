// The picture object (files, resources, change notification) and the image
// control's sizing, alignment and drawing.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <memory>
#include <string>

#include "framework/Exception.h"
#include "framework/Forms.h"
#include "framework/Image.h"
#include "framework/Module.h"
#include "framework/Render.h"
#include "tests/shaped/ShapedTestSupport.h"

using namespace shaped_test;

namespace {

std::string TempPath(const std::string& name) {
  char dir[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + name;
}

// A picture that counts its change notifications.
struct CountedPicture {
  CountedPicture() {
    picture.OnChange = [this](fw::TObject* sender) {
      ++changes;
      EXPECT_EQ(sender, &picture);
    };
  }
  fw::TPicture picture;
  int changes = 0;
};

}  // namespace

TEST(Picture, LoadsABmpFileAndABitmapResource) {
  auto source = PictureFromMap({"ab.", "..c"});
  std::string path = TempPath("shaped-picture-test.bmp");
  ASSERT_TRUE(fw::SaveBitmapFile(*source, path));
  CountedPicture p;
  p.picture.LoadFromFile(path);
  EXPECT_EQ(p.changes, 1);
  ASSERT_EQ(p.picture.Width(), 3);
  ASSERT_EQ(p.picture.Height(), 2);
  EXPECT_EQ(p.picture.Bitmap().Pixel(1, 0), MapColor('b'));
  EXPECT_EQ(p.picture.Bitmap().Pixel(2, 1), MapColor('c'));
  ::DeleteFileA(path.c_str());

  // The sample picture, built into this program as a resource.
  ASSERT_TRUE(p.picture.LoadFromResourceName(fw::ModuleHandle(), L"ShapedSample"));
  EXPECT_EQ(p.changes, 2);
  EXPECT_EQ(p.picture.Width(), 220);
  EXPECT_EQ(p.picture.Height(), 160);
  EXPECT_EQ(p.picture.Bitmap().Pixel(0, 159), fw::clFuchsia);
  EXPECT_EQ(p.picture.ResourceName(), L"ShapedSample");
}

TEST(Picture, AFailedLoadKeepsThePictureAndExplains) {
  std::string garbage = TempPath("shaped-not-a-picture.bmp");
  std::ofstream(garbage) << "BM but not a bitmap at all";
  struct Row {
    std::string path;
    const char* reason;
  };
  const Row rows[] = {
      {TempPath("shaped-no-such-file.bmp"), "no such file"},
      {garbage, "is not a readable BMP picture"},
      {TempPath(""), "is a folder"},
  };
  CountedPicture p;
  p.picture.Assign(*PictureFromMap({"ab", ".."}));
  ASSERT_EQ(p.changes, 1);
  for (const Row& r : rows) {
    try {
      p.picture.LoadFromFile(r.path);
      ADD_FAILURE() << r.path << " was loaded";
    } catch (const fw::Exception& e) {
      EXPECT_NE(e.Message().find(r.path), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find(r.reason), std::string::npos) << e.Message();
    }
    EXPECT_EQ(p.picture.Width(), 2) << r.path;
    EXPECT_EQ(p.picture.Bitmap().Pixel(1, 0), MapColor('b')) << r.path;
  }
  EXPECT_FALSE(p.picture.LoadFromResourceName(fw::ModuleHandle(), L"NoSuchPicture"));
  EXPECT_EQ(p.picture.Width(), 2);
  EXPECT_EQ(p.changes, 1) << "failures announce no change";
  ::DeleteFileA(garbage.c_str());

  p.picture.Clear();
  EXPECT_TRUE(p.picture.Empty());
  EXPECT_EQ(p.changes, 2);
}

TEST(Image, AutoSizeFollowsThePictureUnlessAligned) {
  fw::TImage image(nullptr);
  image.SetAutoSize(true);
  image.Picture().Assign(*PictureFromMap({"abc", "..."}));
  EXPECT_EQ(image.BoundsRect(), (fw::TRect{0, 0, 3, 2}));

  auto form = std::make_unique<fw::TForm>(nullptr);
  form->SetBorderStyle(fw::TFormBorderStyle::bsNone);
  form->SetBounds(30, 30, 100, 80);
  image.SetParent(form.get());
  image.SetAlign(fw::TAlign::alClient);
  EXPECT_EQ(image.BoundsRect(), (fw::TRect{0, 0, 100, 80}));
  image.Picture().Assign(*PictureFromMap({"ab", ".."}));
  EXPECT_EQ(image.BoundsRect(), (fw::TRect{0, 0, 100, 80})) << "aligned: the parent decides";
  form->Show();
  form->SetBounds(30, 30, 120, 90);
  Pump();
  EXPECT_EQ(image.BoundsRect(), (fw::TRect{0, 0, 120, 90})) << "follows the parent's resize";
  image.SetBounds(5, 5, 10, 10);
  EXPECT_EQ(image.BoundsRect(), (fw::TRect{0, 0, 120, 90})) << "cannot leave the client area";
  image.SetParent(nullptr);
}

TEST(Image, DrawsCentredStretchedAndTransparent) {
  fw::TImage image(nullptr);
  image.SetBounds(0, 0, 6, 4);
  image.Picture().Assign(*PictureFromMap({"ab", ".c"}));
  const fw::TColor back = fw::clWhite;

  image.SetCenter(true);
  auto shot = fw::RenderControl(image, back);
  EXPECT_EQ(shot->Pixel(2, 1), MapColor('a'));
  EXPECT_EQ(shot->Pixel(3, 2), MapColor('c'));
  EXPECT_EQ(shot->Pixel(1, 1), back);

  image.SetCenter(false);
  image.SetStretch(true);  // each picture pixel 3 x 2
  shot = fw::RenderControl(image, back);
  EXPECT_EQ(shot->Pixel(2, 1), MapColor('a'));
  EXPECT_EQ(shot->Pixel(3, 1), MapColor('b'));
  EXPECT_EQ(shot->Pixel(5, 3), MapColor('c'));
  EXPECT_EQ(shot->Pixel(0, 3), fw::clFuchsia);

  image.SetTransparent(true);  // the bottom-left colour lets the background show
  shot = fw::RenderControl(image, back);
  EXPECT_EQ(shot->Pixel(0, 3), back);
  EXPECT_EQ(shot->Pixel(5, 3), MapColor('c'));
}
