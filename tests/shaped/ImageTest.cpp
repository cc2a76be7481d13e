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

TEST(Picture, LoadsFilesAndResourcesAndAFailedLoadChangesNothing) {
  fw::TPicture picture;
  int changes = 0;
  picture.OnChange = [&](fw::TObject* sender) { changes += sender == &picture; };
  std::string path = "shaped-picture-test.bmp";
  ASSERT_TRUE(fw::SaveBitmapFile(*PictureFromMap({"ab.", "..c"}), path));
  picture.LoadFromFile(path);
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(picture.Width(), 3);
  EXPECT_EQ(picture.Bitmap().Pixel(2, 1), MapColor('c'));

  std::string garbage = "shaped-not-a-picture.bmp";
  std::ofstream(garbage) << "BM but no picture";
  const std::pair<std::string, const char*> failures[] = {
      {"shaped-no-such-file.bmp", "no such file"},
      {garbage, "is not a readable BMP picture"},
      {".", "is a folder"},
  };
  for (const auto& [file, reason] : failures) {
    try {
      picture.LoadFromFile(file);
      ADD_FAILURE() << file << " was loaded";
    } catch (const fw::Exception& e) {
      EXPECT_NE(e.Message().find("'" + file + "' " + reason), std::string::npos) << e.Message();
    }
  }
  EXPECT_FALSE(picture.LoadFromResourceName(fw::ModuleHandle(), L"NoSuchPicture"));
  EXPECT_EQ(picture.Bitmap().Pixel(2, 1), MapColor('c')) << "failures keep the picture";
  EXPECT_EQ(changes, 1) << "failures announce no change";

  // The sample picture, built into this program as a resource.
  ASSERT_TRUE(picture.LoadFromResourceName(fw::ModuleHandle(), L"ShapedSample"));
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(picture.Width(), 220);
  EXPECT_EQ(picture.Bitmap().Pixel(0, 159), fw::clFuchsia);
  ::DeleteFileA(path.c_str());
  ::DeleteFileA(garbage.c_str());
}

TEST(Image, AutoSizeFollowsThePictureUnlessAligned) {
  fw::TImage image(nullptr);
  image.SetAutoSize(true);
  image.Picture().Assign(*PictureFromMap({"abc", "..."}));
  EXPECT_EQ(image.BoundsRect(), (fw::TRect{0, 0, 3, 2}));

  fw::TForm form(nullptr);
  form.SetBorderStyle(fw::TFormBorderStyle::bsNone);
  form.SetBounds(30, 30, 100, 80);
  image.SetParent(&form);
  image.SetAlign(fw::TAlign::alClient);
  image.Picture().Assign(*PictureFromMap({"ab", ".."}));
  EXPECT_EQ(image.BoundsRect(), (fw::TRect{0, 0, 100, 80})) << "aligned: the parent decides";
  form.Show();
  form.SetBounds(30, 30, 120, 90);
  EXPECT_EQ(image.BoundsRect(), (fw::TRect{0, 0, 120, 90})) << "follows the parent's resize";
  image.SetBounds(5, 5, 10, 10);
  EXPECT_EQ(image.BoundsRect(), (fw::TRect{0, 0, 120, 90})) << "cannot leave the client area";
  image.SetParent(nullptr);
}

TEST(Image, DrawsCentredStretchedAndTransparent) {
  fw::TImage image(nullptr);
  image.SetBounds(0, 0, 6, 4);
  image.Picture().Assign(*PictureFromMap({"ab", ".c"}));
  image.SetCenter(true);
  auto shot = fw::RenderControl(image, fw::clWhite);
  EXPECT_EQ(shot->Pixel(3, 2), MapColor('c'));
  EXPECT_EQ(shot->Pixel(1, 1), fw::clWhite);

  image.SetStretch(true);  // each picture pixel 3 x 2
  shot = fw::RenderControl(image, fw::clWhite);
  EXPECT_EQ(shot->Pixel(3, 1), MapColor('b'));
  EXPECT_EQ(shot->Pixel(5, 3), MapColor('c'));
  EXPECT_EQ(shot->Pixel(0, 3), fw::clFuchsia);

  image.SetTransparent(true);  // the bottom-left colour lets the background show
  // The writer, not a paint, tells the picture; a picture loaded later keeps it.
  EXPECT_TRUE(image.Picture().Bitmap().Transparent());
  image.Picture().Assign(*PictureFromMap({"ab", ".c"}));
  EXPECT_TRUE(image.Picture().Bitmap().Transparent());
  shot = fw::RenderControl(image, fw::clWhite);
  EXPECT_EQ(shot->Pixel(0, 3), fw::clWhite);
  EXPECT_EQ(shot->Pixel(5, 3), MapColor('c'));
}
