// The layout text reader: objects, values and the refusal of malformed text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/LayoutText.h"

namespace {

using fw::Ident;
using fw::LayoutObject;
using fw::StoredProperty;

TEST(LayoutText, ObjectsNestWithTheirValuesInOrder) {
  LayoutObject root = fw::ParseLayout(
      "// a comment\r\n"
      "object F: TForm\r\n"
      "  Caption = 'It''s'\r\n"
      "  Left = -9999\r\n"
      "  Visible = False\r\n"
      "  object P: TPanel\n"
      "    Color = clYellow\n"
      "    object L: TLabel\n"
      "      Font.Height = -16\n"
      "    end\n"
      "  end\n"
      "  object M: TLabel\n"
      "  end\n"
      "end\n");
  EXPECT_EQ(root.Name, "F");
  EXPECT_EQ(root.Class, "TForm");
  EXPECT_EQ(root.Properties,
            (std::vector<StoredProperty>{
                {"Caption", std::string("It's")}, {"Left", int64_t{-9999}}, {"Visible", false}}));
  ASSERT_EQ(root.Children.size(), 2u);
  EXPECT_EQ(root.Children[0].Properties[0].Value, fw::PropValue(Ident{"clYellow"}));
  EXPECT_EQ(root.Children[0].Children[0].Properties[0],
            (StoredProperty{"Font.Height", int64_t{-16}}));
  EXPECT_EQ(root.Children[1].Name, "M");
}

TEST(LayoutText, MalformedTextFailsNamingTheLine) {
  const struct {
    const char* text;
    const char* message;
  } rows[] = {
      {"", "line 0: no object"},
      {"object F TForm\nend", "line 1"},
      {"object F: TForm\n  Left 3\nend", "line 2"},
      {"object F: TForm\n  Left = 3x\nend", "line 2: bad number"},
      {"object F: TForm\n  Left = 99999999999999999999\nend", "line 2: bad number"},
      {"object F: TForm\n  Caption = 'open\nend", "line 2: unterminated string"},
      {"object F: TForm\n  Caption = 'a' b\nend", "line 2: text after a string"},
      {"object F: TForm\n  Left = 1", "missing end of F"},
      {"object F: TForm\nend\nend", "line 3: text after the last end"},
      {"object F: TForm\n  object= 5\nend", "line 2: expected 'object Name: Class'"},
  };
  for (const auto& row : rows) {
    try {
      fw::ParseLayout(row.text);
      ADD_FAILURE() << row.text << " was accepted";
    } catch (const fw::Exception& e) {
      EXPECT_NE(e.Message().find(row.message), std::string::npos) << e.Message();
    }
  }
  EXPECT_EQ(fw::ParseLayout("object F: T\n  object\tG:\tU\n  end\nend").Children.at(0).Class, "U");
  std::string deep;
  for (int i = 0; i <= fw::kMaxLayoutDepth; ++i) deep += "object A" + std::to_string(i) + ": T\n";
  EXPECT_THROW(fw::ParseLayout(deep), fw::Exception);
}

}  // namespace
