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
