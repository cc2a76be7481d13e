// The building of a component tree from a stored layout.
#include <gtest/gtest.h>

#include "framework/Forms.h"
#include "framework/LayoutReader.h"
#include "framework/StdCtrls.h"

namespace {

TEST(LayoutReader, ObjectsAreMadeByClassParentedAndLoadedAfterAllValuesAreIn) {
  const auto classes = fw::ComponentClasses().Add<fw::TPanel>("TPanel").Add<fw::TLabel>("TLabel");
  fw::TForm form(nullptr);
  fw::ReadLayout(form,
                 fw::ParseLayout("object F: TForm\n"
                                 "  Font.Height = -16\n"
                                 "  object P: TPanel\n"
                                 "    Left = 5\n"
                                 "    object L: TLabel\n"
                                 "      Caption = 'Hello'\n"
                                 "      AutoSize = False\n"
                                 "      Width = 70\n"
                                 "    end\n"
                                 "  end\n"
                                 "end\n"),
                 classes);
  auto* panel = dynamic_cast<fw::TPanel*>(form.FindComponent("P"));
  auto* label = dynamic_cast<fw::TLabel*>(form.FindComponent("L"));
  ASSERT_TRUE(panel && label);
  EXPECT_EQ(panel->Parent(), &form);
  EXPECT_EQ(label->Parent(), panel);
  EXPECT_EQ(label->Owner(), &form);
  EXPECT_EQ(label->Width(), 70) << "AutoSize off before the width: kept";
  EXPECT_EQ(label->Font().Height(), -16) << "the font follows the parents";
  EXPECT_FALSE(label->Loading());

  const char* bad[] = {
      "object F: TForm\n  object X: TNoSuchClass\n  end\nend\n",
      "object F: TForm\n  object P: TPanel\n  end\nend\n",  // P exists already
      "object F: TForm\n  object Q: TPanel\n    Nope = 1\n  end\nend\n",
  };
  for (const char* text : bad) {
    EXPECT_THROW(fw::ReadLayout(form, fw::ParseLayout(text), classes), fw::Exception) << text;
    EXPECT_FALSE(form.Loading());
  }
}

}  // namespace

namespace {

TEST(LayoutReader, StoredLengthsAreScaledToTheGivenDpiAndLaidOutAgainFromTheStoredValues) {
  const auto classes = fw::ComponentClasses().Add<fw::TPanel>("TPanel").Add<fw::TLabel>("TLabel");
  const fw::LayoutObject layout = fw::ParseLayout(
      "object F: TForm\n"
      "  Left = 416\n"
      "  Top = 370\n"
      "  ClientWidth = 363\n"
      "  ClientHeight = 324\n"
      "  Font.Height = -11\n"
      "  object P: TPanel\n"
      "    Left = 5\n"
      "    Top = 60\n"
      "    Width = 237\n"
      "    Height = 187\n"
      "    object L: TLabel\n"
      "      AutoSize = False\n"
      "      Left = 1\n"
      "      Width = 70\n"
      "      Font.Height = -16\n"
      "      Caption = 'Hello'\n"
      "    end\n"
      "  end\n"
      "end\n");
  fw::TForm form(nullptr);
  fw::ReadLayout(form, layout, classes, {}, fw::DpiScale(144));
  auto* panel = dynamic_cast<fw::TPanel*>(form.FindComponent("P"));
  auto* label = dynamic_cast<fw::TLabel*>(form.FindComponent("L"));
  ASSERT_TRUE(panel && label);
  struct Row {
    int dpi;
    int client_width, client_height, panel_left, panel_width, label_left, label_width;
    int form_font, label_font;
  };
  const Row rows[] = {
      {144, 545, 486, 8, 356, 2, 105, -17, -24},  // read at 144 DPI
      {96, 363, 324, 5, 237, 1, 70, -11, -16},    // laid out again at 96: the stored values
      {192, 726, 648, 10, 474, 2, 140, -22, -32},
      {120, 454, 405, 6, 296, 1, 88, -14, -20},
  };
  for (const Row& r : rows) {
    if (r.dpi != 144) fw::RescaleLayout(form, layout, fw::DpiScale(r.dpi));
    EXPECT_EQ(form.ClientWidth(), r.client_width) << r.dpi;
    EXPECT_EQ(form.ClientHeight(), r.client_height) << r.dpi;
    EXPECT_EQ(form.Left(), 416) << "a form's place is on the screen, not scaled";
    EXPECT_EQ(form.Top(), 370);
    EXPECT_EQ(panel->Left(), r.panel_left) << r.dpi;
    EXPECT_EQ(panel->Width(), r.panel_width) << r.dpi;
    EXPECT_EQ(label->Left(), r.label_left) << r.dpi;
    EXPECT_EQ(label->Width(), r.label_width) << r.dpi;
    EXPECT_EQ(form.Font().Height(), r.form_font) << r.dpi;
    EXPECT_EQ(panel->Font().Height(), r.form_font) << "the panel follows the form's font";
    EXPECT_EQ(label->Font().Height(), r.label_font) << r.dpi;
    for (const fw::TControl* c :
         {static_cast<const fw::TControl*>(&form), static_cast<const fw::TControl*>(panel),
          static_cast<const fw::TControl*>(label)})
      EXPECT_EQ(c->Scale().Dpi(), r.dpi) << c->Name();
  }
}

}  // namespace
