// The push button's pictures and its property table.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/Render.h"
#include "widgets/FreeButton.h"

namespace {

using fw::RGBColor;
using fw::TColor;
using widgets::TFreeButton;

const TColor kBack = RGBColor(64, 64, 64);

// A button whose lamp can be switched as a left release would.
struct Button : TFreeButton {
  Button() : TFreeButton(nullptr) {}
  void Release() { MouseUp(fw::TMouseButton::mbLeft, {}, 0, 0); }
};

// The settings window's Hide button.
void MakeHide(TFreeButton& b) {
  b.SetBounds(0, 0, 59, 27);
  b.setCaption(" Hide");
  b.setDrawColor(RGBColor(71, 83, 129));
  b.setBackColor(kBack);
  b.setDrawDropShadow(false);
  b.setDrawLight(false);
}

TEST(FreeButtonPaint, UpFaceCastsATwoToneShadowWithShadedCorners) {
  TFreeButton b(nullptr);
  MakeHide(b);
  auto pic = fw::RenderControl(b, fw::clRed);
  ASSERT_EQ(pic->Width(), 59);
  ASSERT_EQ(pic->Height(), 27);
  const TColor black = RGBColor(0, 0, 0), dim = RGBColor(14, 14, 14);
  for (int y = 0; y < 27; ++y) {
    // Column 57 black from row 4, column 58 dim from row 5; rows 25 and 26 likewise.
    TColor want57 = y < 4 ? kBack : y >= 25 ? dim : black;
    TColor want58 = y < 5 || y == 26 ? kBack : dim;
    EXPECT_EQ(pic->Pixel(57, y), want57) << y;
    EXPECT_EQ(pic->Pixel(58, y), want58) << y;
  }
  for (int x = 0; x < 57; ++x) {
    EXPECT_EQ(pic->Pixel(x, 25), x < 4 ? kBack : black) << x;
    EXPECT_EQ(pic->Pixel(x, 26), x < 5 ? kBack : dim) << x;
  }
  EXPECT_EQ(pic->Pixel(56, 24), black);                   // the face's own corner, shaded
  EXPECT_EQ(pic->Pixel(29, 2), RGBColor(111, 123, 169));  // the face's top edge at (2, 2)
  EXPECT_EQ(pic->Pixel(29, 1), kBack);
}

TEST(FreeButtonPaint, PressedFaceMovesToThreeThreeOnPlainBack) {
  TFreeButton b(nullptr);
  MakeHide(b);
  b.setDown(true);
  auto pic = fw::RenderControl(b, fw::clRed);
  for (int y = 0; y < 27; ++y) {
    for (int x = 0; x < 59; ++x) {
      if (x >= 3 && y >= 3 && x < 58 && y < 26) continue;
      ASSERT_EQ(pic->Pixel(x, y), kBack) << x << "," << y;
    }
  }
  EXPECT_EQ(pic->Pixel(30, 3), RGBColor(126, 138, 184));  // B+55 along the top
  EXPECT_EQ(pic->Pixel(30, 4), RGBColor(76, 88, 134));    // B+5 inside it
}

TEST(FreeButtonPaint, LampPenAndFillInEachState) {
  struct Row {
    bool pressed, lit;
    TColor pen, fill;
  };
  // Light colour (136, 255, 136); the face is 79 x 27, the lamp's corner at (71, 19).
  for (Row r : {Row{false, false, RGBColor(56, 175, 56), RGBColor(96, 215, 96)},
                {false, true, RGBColor(56, 175, 56), RGBColor(136, 255, 136)},
                {true, false, RGBColor(76, 195, 76), RGBColor(116, 235, 116)},
                {true, true, RGBColor(76, 195, 76), RGBColor(156, 255, 156)}}) {
    Button b;
    b.setAutoLightColor(false);
    b.setDown(r.pressed);
    if (r.lit) b.Release();
    ASSERT_EQ(b.LampLit(), r.lit);
    auto pic = fw::RenderControl(b, kBack);
    int o = r.pressed ? 3 : 2;
    EXPECT_EQ(pic->Pixel(o + 71, o + 15), r.pen) << r.pressed << r.lit;
    EXPECT_EQ(pic->Pixel(o + 67, o + 19), r.pen) << r.pressed << r.lit;
    EXPECT_EQ(pic->Pixel(o + 69, o + 17), r.fill) << r.pressed << r.lit;
  }
  // Automatic: a shade 20 lighter than the face (68, 68, 68); no lamp without DrawLight.
  Button b;
  auto pic = fw::RenderControl(b, kBack);
  EXPECT_EQ(pic->Pixel(71, 19), RGBColor(48, 48, 48));
  b.setDrawLight(false);
  b.Release();
  EXPECT_FALSE(b.LampLit());
  EXPECT_EQ(fw::RenderControl(b, kBack)->Pixel(71, 19), RGBColor(68, 68, 68));
}

TEST(FreeButtonPaint, GlyphLeavesOutItsTopLeftColourUnlessOpaque) {
  fw::TBitmap glyph(6, 6);  // fuchsia, a yellow middle, a green bottom-left pixel
  glyph.Canvas().Brush().SetColor(fw::clFuchsia);
  glyph.Canvas().FillRect({0, 0, 6, 6});
  glyph.Canvas().Brush().SetColor(fw::clYellow);
  glyph.Canvas().FillRect({2, 2, 4, 4});
  glyph.Canvas().SetPixel(0, 5, fw::clLime);
  TFreeButton b(nullptr);
  b.setGlyph(glyph);
  b.setGlyphPosition(widgets::gpTopLeft);
  auto pic = fw::RenderControl(b, kBack);  // the face at (2, 2), the glyph 4 further in
  EXPECT_EQ(pic->Pixel(8, 8), fw::clYellow);
  EXPECT_EQ(pic->Pixel(6, 6), RGBColor(68, 68, 68));
  EXPECT_EQ(pic->Pixel(6, 11), fw::clLime);
  b.setTransparentGlyph(false);
  EXPECT_EQ(fw::RenderControl(b, kBack)->Pixel(6, 6), fw::clFuchsia);

  fw::TBitmap empty;
  b.setGlyph(empty);
  EXPECT_TRUE(b.Glyph().Empty());
  b.SetBounds(0, 0, 3, 2);  // no room for a face: only the back is drawn
  EXPECT_EQ(fw::RenderControl(b, kBack)->Pixel(0, 0), b.BackColor());
}

TEST(FreeButtonProperties, TableInOrderWithConstructorValues) {
  TFreeButton b(nullptr);
  std::vector<std::string> names;
  for (const fw::PropertyInfo* p : b.Properties().All()) {
    names.push_back(p->Name);
    if (p->ConstructorValue) {
      EXPECT_EQ(p->Read(b), p->ConstructorValue) << p->Name;
    }
  }
  const std::vector<std::string> own = {
      "Down",           "DrawColor", "LightColor",     "BackColor",
      "CustomColor",    "Caption",   "Font.Charset",   "Font.Color",
      "Font.Height",    "Font.Name", "Font.Style",     "TextPosition",
      "DrawDropShadow", "Glyph",     "GlyphPosition",  "TransparentGlyph",
      "DrawLight",      "LightSize", "AutoLightColor", "OnClick",
      "OnDblClick"};
  ASSERT_GE(names.size(), own.size());
  EXPECT_EQ(std::vector<std::string>(names.end() - own.size(), names.end()), own);
  EXPECT_EQ(b.BackColor().Value(), ::GetSysColor(COLOR_BTNFACE) & 0xFFFFFF);
  EXPECT_EQ(b.Font().Height(), -13);  // 10 points at 96 per inch

  b.setDrawColor(fw::clBtnShadow);  // stored resolved
  EXPECT_EQ(b.DrawColor().Value(), ::GetSysColor(COLOR_BTNSHADOW) & 0xFFFFFF);
  b.setCustomColor(widgets::TCustomColor(19));  // not a colour: ignored
  b.setTextPosition(widgets::TTextPosition(9));
  b.setGlyphPosition(widgets::TGlyphPosition(200));
  EXPECT_EQ(b.CustomColor(), widgets::ccNone);
  EXPECT_EQ(b.TextPosition(), widgets::tpMiddleCenter);
  EXPECT_EQ(b.GlyphPosition(), widgets::gpTopCenter);
}

TEST(FreeButtonProperties, StoredLayoutRoundTripWithTheGlyphsPixels) {
  TFreeButton designed(nullptr);
  MakeHide(designed);
  designed.setCustomColor(widgets::ccRuby);
  designed.setTextPosition(widgets::tpBottomLeft);
  designed.setLightSize(5);
  fw::TBitmap glyph(5, 3);  // odd width: rows are padded in the stored bytes
  glyph.Canvas().SetPixel(0, 0, fw::clRed);
  glyph.Canvas().SetPixel(4, 2, fw::clBlue);
  designed.setGlyph(glyph);
  std::vector<fw::StoredProperty> stored = fw::WriteProperties(designed);
  std::vector<std::string> names;
  for (const auto& p : stored) names.push_back(p.Name);
  for (const char* left_out : {"Down", "LightColor", "TransparentGlyph"})
    EXPECT_EQ(std::count(names.begin(), names.end(), left_out), 0) << left_out;
  EXPECT_EQ(std::count(names.begin(), names.end(), "BackColor"), 1);

  TFreeButton loaded(nullptr);
  fw::ApplyProperties(loaded, stored);
  EXPECT_EQ(fw::WriteProperties(loaded), stored);
  EXPECT_EQ(loaded.Caption(), " Hide");
  EXPECT_EQ(loaded.CustomColor(), widgets::ccRuby);
  EXPECT_FALSE(loaded.DrawLight());
  ASSERT_EQ(loaded.Glyph().Width(), 5);
  EXPECT_EQ(loaded.Glyph().Pixel(0, 0), fw::clRed);
  EXPECT_EQ(loaded.Glyph().Pixel(4, 2), fw::clBlue);
  EXPECT_EQ(loaded.Glyph().Pixel(1, 1), fw::clWhite);

  // Damaged picture bytes are refused and the glyph stays.
  std::string bytes = std::get<std::string>(*loaded.Properties().Find("Glyph")->Read(loaded));
  EXPECT_THROW(fw::ApplyProperties(loaded, {{"Glyph", bytes.substr(0, bytes.size() - 1)}}),
               fw::Exception);
  EXPECT_EQ(loaded.Glyph().Width(), 5);
  fw::ApplyProperties(loaded, {{"Glyph", std::string()}});
  EXPECT_TRUE(loaded.Glyph().Empty());
}

}  // namespace
