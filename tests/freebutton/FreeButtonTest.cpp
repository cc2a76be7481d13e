// The push button's pictures and its property table.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <tuple>
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

TEST(FreeButtonPaint, UpCastsATwoToneShadowAndPressedSitsAtThreeThreeOnPlainBack) {
  TFreeButton b(nullptr);
  MakeHide(b);
  auto up = fw::RenderControl(b, fw::clRed);
  ASSERT_EQ((std::pair{up->Width(), up->Height()}), (std::pair{59, 27}));
  const TColor black = RGBColor(0, 0, 0), dim = RGBColor(14, 14, 14);
  for (int i = 0; i < 27; ++i) {
    // Column 57 and row 25 black, column 58 and row 26 dim, with shaded corners.
    EXPECT_EQ(up->Pixel(57, i), i < 4 ? kBack : i >= 25 ? dim : black) << i;
    EXPECT_EQ(up->Pixel(58, i), i < 5 || i == 26 ? kBack : dim) << i;
  }
  for (int i = 0; i < 57; ++i) {
    EXPECT_EQ(up->Pixel(i, 25), i < 4 ? kBack : black) << i;
    EXPECT_EQ(up->Pixel(i, 26), i < 5 ? kBack : dim) << i;
  }
  EXPECT_EQ(up->Pixel(56, 24), black);                   // the face's own corner, shaded
  EXPECT_EQ(up->Pixel(29, 2), RGBColor(111, 123, 169));  // the face's top edge
  EXPECT_EQ(up->Pixel(29, 1), kBack);

  b.setDown(true);
  auto down = fw::RenderControl(b, fw::clRed);
  for (int y = 0; y < 27; ++y) {
    for (int x = 0; x < 59; ++x) {
      bool face = x >= 3 && y >= 3 && x < 58 && y < 26;
      ASSERT_TRUE(face || down->Pixel(x, y) == kBack) << x << "," << y;
    }
  }
  EXPECT_EQ(down->Pixel(30, 3), RGBColor(126, 138, 184));  // outer edge B+55
  EXPECT_EQ(down->Pixel(30, 4), RGBColor(76, 88, 134));    // inner edge B+5
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
    auto pic = fw::RenderControl(b, kBack);
    int o = r.pressed ? 3 : 2;
    EXPECT_EQ(pic->Pixel(o + 71, o + 15), r.pen) << r.pressed << r.lit;
    EXPECT_EQ(pic->Pixel(o + 69, o + 17), r.fill) << r.pressed << r.lit;
  }
  Button b;  // no lamp, no toggling
  b.setDrawLight(false);
  b.Release();
  EXPECT_FALSE(b.LampLit());
}

TEST(FreeButtonPaint, GlyphLeavesOutItsTopLeftColourUnlessOpaque) {
  fw::TBitmap glyph(6, 6);  // fuchsia, a yellow middle, a green bottom-left pixel
  fw::TCanvas& c = glyph.Canvas();
  c.Brush().SetColor(fw::clFuchsia);
  c.FillRect({0, 0, 6, 6});
  c.Brush().SetColor(fw::clYellow);
  c.FillRect({2, 2, 4, 4});
  c.SetPixel(0, 5, fw::clLime);
  TFreeButton b(nullptr);
  b.setGlyph(glyph);
  b.setGlyphPosition(widgets::gpTopLeft);
  auto pic = fw::RenderControl(b, kBack);  // the face at (2, 2), the glyph 4 further in
  EXPECT_EQ(pic->Pixel(8, 8), fw::clYellow);
  EXPECT_EQ(pic->Pixel(6, 6), RGBColor(68, 68, 68));
  EXPECT_EQ(pic->Pixel(6, 11), fw::clLime);
  b.setTransparentGlyph(false);
  EXPECT_EQ(fw::RenderControl(b, kBack)->Pixel(6, 6), fw::clFuchsia);
  b.SetBounds(0, 0, 3, 2);  // no room for a face: only the back is drawn
  EXPECT_EQ(fw::RenderControl(b, kBack)->Pixel(0, 0), b.BackColor());
}

TEST(FreeButtonProperties, TableInOrderWithConstructorValuesAndRefusals) {
  TFreeButton b(nullptr);
  std::string names;
  for (const fw::PropertyInfo* p : b.Properties().All()) {
    names += p->Name + " ";
    if (p->ConstructorValue) {
      EXPECT_EQ(p->Read(b), p->ConstructorValue) << p->Name;
    }
  }
  EXPECT_NE(names.find("Visible Down DrawColor LightColor BackColor CustomColor Caption "
                       "Font.Charset Font.Color Font.Height Font.Name Font.Style TextPosition "
                       "DrawDropShadow Glyph GlyphPosition TransparentGlyph DrawLight LightSize "
                       "AutoLightColor OnClick OnDblClick Align "),
            std::string::npos)
      << names;
  EXPECT_EQ(b.BackColor().Value(), ::GetSysColor(COLOR_BTNFACE) & 0xFFFFFF);
  EXPECT_EQ(b.Font().Height(), -13);  // 10 points at 96 per inch

  b.setDrawColor(fw::clBtnShadow);  // stored resolved
  EXPECT_EQ(b.DrawColor().Value(), ::GetSysColor(COLOR_BTNSHADOW) & 0xFFFFFF);
  b.setCustomColor(widgets::TCustomColor(19));  // names no colour or place: ignored
  b.setTextPosition(widgets::TTextPosition(9));
  b.setGlyphPosition(widgets::TGlyphPosition(200));
  EXPECT_EQ((std::tuple{b.CustomColor(), b.TextPosition(), b.GlyphPosition()}),
            (std::tuple{widgets::ccNone, widgets::tpMiddleCenter, widgets::gpTopCenter}));
}

TEST(FreeButtonProperties, StoredLayoutRoundTripWithTheGlyphsPixels) {
  TFreeButton designed(nullptr);
  MakeHide(designed);
  designed.setCustomColor(widgets::ccRuby);
  fw::TBitmap glyph(5, 3);  // odd width: rows are padded in the stored bytes
  glyph.Canvas().SetPixel(0, 0, fw::clRed);
  glyph.Canvas().SetPixel(4, 2, fw::clBlue);
  designed.setGlyph(glyph);
  std::vector<fw::StoredProperty> stored = fw::WriteProperties(designed);
  auto stores = [&](const char* name) {
    return std::any_of(stored.begin(), stored.end(), [&](auto& p) { return p.Name == name; });
  };
  EXPECT_TRUE(stores("BackColor") && !stores("Down") && !stores("LightColor"));

  TFreeButton loaded(nullptr);
  fw::ApplyProperties(loaded, stored);
  EXPECT_EQ(fw::WriteProperties(loaded), stored);
  EXPECT_EQ(loaded.CustomColor(), widgets::ccRuby);
  ASSERT_EQ(loaded.Glyph().Width(), 5);
  EXPECT_EQ(loaded.Glyph().Pixel(0, 0), fw::clRed);
  EXPECT_EQ(loaded.Glyph().Pixel(4, 2), fw::clBlue);

  // Damaged picture bytes are refused and the glyph stays.
  std::string bytes = std::get<std::string>(*loaded.Properties().Find("Glyph")->Read(loaded));
  EXPECT_THROW(fw::ApplyProperties(loaded, {{"Glyph", bytes.substr(0, bytes.size() - 1)}}),
               fw::Exception);
  EXPECT_EQ(loaded.Glyph().Width(), 5);
  fw::ApplyProperties(loaded, {{"Glyph", std::string()}});
  EXPECT_TRUE(loaded.Glyph().Empty());
}

}  // namespace
