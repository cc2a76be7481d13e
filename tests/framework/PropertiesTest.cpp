#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "framework/Properties.h"

namespace {

enum class Shape : uint8_t { shRound, shSquare, shDiamond };

}  // namespace

template <>
struct fw::EnumNames<Shape> {
  static constexpr std::array<std::string_view, 3> kNames = {"shRound", "shSquare", "shDiamond"};
};

namespace {

using fw::Ident;
using fw::StoredProperty;

// A component whose writers log each call, with one property of every kind.
class Gadget : public fw::TComponent {
 public:
  explicit Gadget(fw::TComponent* owner) : fw::TComponent(owner) {}

  int Count() const { return count_; }
  void SetCount(int v) {
    Log("Count");
    count_ = v;
  }
  uint8_t Depth() const { return depth_; }
  void SetDepth(uint8_t v) {
    Log("Depth");
    depth_ = v;
  }
  bool Lit() const { return lit_; }
  void SetLit(bool v) {
    Log("Lit");
    lit_ = v;
  }
  const std::string& Label() const { return label_; }
  void SetLabel(const std::string& v) {
    Log("Label");
    label_ = v;
  }
  fw::TColor Tint() const { return tint_; }
  void SetTint(fw::TColor v) {
    Log("Tint");
    tint_ = v;
  }
  Shape Form() const { return shape_; }
  void SetForm(Shape v) {
    Log("Form");
    shape_ = v;
  }

  fw::TNotifyEvent OnPoke;
  std::vector<std::string> writes;

  const fw::PropertyTable& Properties() const override { return ClassProperties(); }
  static const fw::PropertyTable& ClassProperties() {
    using fw::Published;
    static const fw::PropertyTable table(
        &fw::TComponent::ClassProperties(),
        {
            Published<Gadget, int>("Count", &Gadget::Count, &Gadget::SetCount, 0, std::nullopt),
            Published<Gadget, uint8_t>("Depth", &Gadget::Depth, &Gadget::SetDepth, 1, 1),
            Published<Gadget, bool>("Lit", &Gadget::Lit, &Gadget::SetLit, true, false),
            Published<Gadget, std::string>("Label", &Gadget::Label, &Gadget::SetLabel,
                                           std::string(), std::nullopt),
            Published<Gadget, fw::TColor>("Tint", &Gadget::Tint, &Gadget::SetTint, fw::clWhite,
                                          fw::clCream),
            Published<Gadget, Shape>("Form", &Gadget::Form, &Gadget::SetForm, Shape::shRound,
                                     Shape::shRound),
            fw::PublishedEvent<Gadget>("OnPoke", &Gadget::OnPoke),
        });
    return table;
  }

 private:
  void Log(const char* name) { writes.push_back(name); }
  int count_ = 0;
  uint8_t depth_ = 1;
  bool lit_ = true;
  std::string label_;
  fw::TColor tint_ = fw::clWhite;
  Shape shape_ = Shape::shRound;
};

TEST(Properties, StoredValuesGoThroughTheWritersByNameInStoredOrder) {
  Gadget g(nullptr);
  fw::ApplyProperties(g, {{"Form", Ident{"shDiamond"}},
                          {"label", std::string("x")},  // names are matched without case
                          {"Tint", Ident{"clYellow"}},
                          {"Count", int64_t{-3}},
                          {"Lit", false},
                          {"Tint", int64_t{0x123456}}});
  EXPECT_EQ(g.writes, (std::vector<std::string>{"Form", "Label", "Tint", "Count", "Lit", "Tint"}));
  EXPECT_EQ(g.Form(), Shape::shDiamond);
  EXPECT_EQ(g.Label(), "x");
  EXPECT_EQ(g.Count(), -3);
  EXPECT_FALSE(g.Lit());
  EXPECT_EQ(g.Tint(), fw::TColor(0x123456));  // the later entry wins
}

TEST(Properties, SystemColoursAreReadAsNamesOrAsNegativeNumbers) {
  Gadget g(nullptr);
  fw::ApplyProperties(g, {{"Tint", Ident{"clBtnHighlight"}}});
  EXPECT_EQ(g.Tint(), fw::SystemColor(20));
  fw::ApplyProperties(g, {{"Tint", int64_t{-16777201}}});  // 0xFF00000F
  EXPECT_EQ(g.Tint(), fw::clBtnFace);
}

TEST(Properties, UnusableEntriesFailNamingThePropertyAndStopThere) {
  Gadget g(nullptr);
  g.SetName("G1");
  struct Row {
    StoredProperty bad;
    const char* expected_text;
  };
  const Row rows[] = {
      {{"Colour", int64_t{1}}, "Colour does not exist"},
      {{"Count", std::string("7")}, "for property Count"},
      {{"Depth", int64_t{256}}, "for property Depth"},  // outside a byte
      {{"Form", Ident{"shOval"}}, "for property Form"},
      {{"Tint", Ident{"clChartreuse"}}, "for property Tint"},
      {{"OnPoke", Ident{"NoSuchHandler"}}, "for property OnPoke"},
  };
  for (const Row& row : rows) {
    g.writes.clear();
    try {
      fw::ApplyProperties(g, {row.bad, {"Count", int64_t{9}}},
                          [](const std::string&) { return fw::TNotifyEvent(); });
      ADD_FAILURE() << row.bad.Name << " was accepted";
    } catch (const fw::Exception& e) {
      EXPECT_NE(e.Message().find(row.expected_text), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find("G1"), std::string::npos) << e.Message();
    }
    EXPECT_TRUE(g.writes.empty()) << row.bad.Name;
  }
}

TEST(Properties, EventsAreBoundToTheNamedHandler) {
  Gadget g(nullptr);
  int pokes = 0;
  fw::TObject* sender = nullptr;
  std::map<std::string, fw::TNotifyEvent> handlers = {
      {"GadgetPoke", [&](fw::TObject* s) { ++pokes, sender = s; }}};
  fw::ApplyProperties(g, {{"OnPoke", Ident{"GadgetPoke"}}}, [&](const std::string& name) {
    auto it = handlers.find(name);
    return it == handlers.end() ? fw::TNotifyEvent() : it->second;
  });
  fw::Raise(g.OnPoke, &g);
  EXPECT_EQ(pokes, 1);
  EXPECT_EQ(sender, &g);
}

TEST(Properties, TheWriterLeavesOutValuesEqualToTheirDeclaredDefault) {
  Gadget g(nullptr);
  // A new gadget: Lit (true) and Tint (white) differ from their declared
  // defaults; Count and Label have none and are always written.
  EXPECT_EQ(fw::WriteProperties(g), (std::vector<StoredProperty>{{"Count", int64_t{0}},
                                                                 {"Lit", true},
                                                                 {"Label", std::string()},
                                                                 {"Tint", Ident{"clWhite"}}}));
  g.SetLit(false);
  g.SetTint(fw::clCream);
  g.SetDepth(2);
  g.SetForm(Shape::shSquare);
  g.SetTint(fw::TColor(0x010203));
  EXPECT_EQ(fw::WriteProperties(g), (std::vector<StoredProperty>{{"Count", int64_t{0}},
                                                                 {"Depth", int64_t{2}},
                                                                 {"Label", std::string()},
                                                                 {"Tint", int64_t{0x010203}},
                                                                 {"Form", Ident{"shSquare"}}}));
}

TEST(Properties, AValueEqualToItsDefaultComesBackAsTheConstructorValue) {
  Gadget designed(nullptr);
  designed.SetTint(fw::clCream);  // the declared default, not what a new one has
  designed.SetLit(false);
  Gadget loaded(nullptr);
  fw::ApplyProperties(loaded, fw::WriteProperties(designed));
  EXPECT_EQ(loaded.Tint(), fw::clWhite);
  EXPECT_TRUE(loaded.Lit());
}

TEST(Properties, TableListsConstructorValuesAndDefaults) {
  const fw::PropertyInfo* tint = Gadget::ClassProperties().Find("Tint");
  ASSERT_NE(tint, nullptr);
  EXPECT_EQ(tint->ConstructorValue, fw::PropValue(Ident{"clWhite"}));
  EXPECT_EQ(tint->Default, fw::PropValue(Ident{"clCream"}));
  EXPECT_FALSE(Gadget::ClassProperties().Find("Label")->Default.has_value());
  EXPECT_EQ(fw::FormatValue(std::string("it's")), "'it''s'");
}

}  // namespace

namespace {

// Records when its layout was finished.
class Loadable : public Gadget {
 public:
  Loadable(fw::TComponent* owner, const char* name, std::vector<std::string>* log)
      : Gadget(owner), log_(log) {
    SetName(name);
  }
  void Loaded() override {
    log_->push_back(Name() + " loaded, count " + std::to_string(Count()) +
                    (Loading() ? ", still loading" : ""));
    Gadget::Loaded();
  }

 private:
  std::vector<std::string>* log_;
};

TEST(Layout, EntriesGoToTheNamedComponentsThenEachIsToldItWasLoadedOnce) {
  std::vector<std::string> log;
  Loadable root(nullptr, "F", &log);
  Loadable a(&root, "A", &log);
  Loadable b(&root, "B", &log);
  fw::LoadLayout(root, {{"", {{"Count", int64_t{1}}}},
                        {"B", {{"Count", int64_t{2}}}},
                        {"A", {{"Count", int64_t{3}}}},
                        {"B", {{"Lit", false}}}});
  EXPECT_EQ(log, (std::vector<std::string>{"F loaded, count 1, still loading",
                                           "B loaded, count 2, still loading",
                                           "A loaded, count 3, still loading"}));
  EXPECT_FALSE(b.Loading());
  EXPECT_FALSE(b.Lit());

  log.clear();
  EXPECT_THROW(fw::LoadLayout(root, {{"A", {{"Count", int64_t{4}}}}, {"C", {}}}), fw::Exception);
  EXPECT_EQ(a.Count(), 3);  // nothing is applied when a component is missing
  EXPECT_TRUE(log.empty());
  EXPECT_THROW(fw::LoadLayout(root, {{"A", {{"Nope", int64_t{4}}}}}), fw::Exception);
  EXPECT_FALSE(a.Loading());
}

}  // namespace
