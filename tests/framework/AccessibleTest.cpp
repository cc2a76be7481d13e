// The accessible objects of windowed controls and the elements of windowless ones.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include "framework/Accessible.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "tests/framework/WindowTestSupport.h"

namespace {

using testing_support::MakeShownForm;

VARIANT Id(long id) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

// A form with a panel (tab order 0) and two labels, the lower one added first.
struct Tree {
  Tree() : form(MakeShownForm(200, 100, fw::clBtnFace)) {
    lower = Add("lower", 5, 60);
    upper = Add("  upper", 5, 10);
    panel = new fw::TPanel(form.get());
    panel->SetBounds(100, 10, 50, 50);
    panel->SetTabOrder(0);
    panel->SetParent(form.get());
  }
  fw::TLabel* Add(const char* text, int x, int y) {
    auto* label = new fw::TLabel(form.get());
    label->SetBounds(x, y, 40, 15);
    label->SetCaption(text);
    label->SetParent(form.get());
    return label;
  }
  std::unique_ptr<fw::TForm> form;
  fw::TLabel* lower;
  fw::TLabel* upper;
  fw::TPanel* panel;
};

TEST(Accessible, ChildrenComeInTabThenReadingOrderByIdAndByEnumeration) {
  Tree t;
  IAccessible* root = t.form->AccessibleObject();
  long count = 0;
  ASSERT_EQ(root->get_accChildCount(&count), S_OK);
  EXPECT_EQ(count, 3);
  // The panel first (a windowed child, as an object of its own), then the labels from
  // the top down, named without their leading blanks.
  IDispatch* panel = nullptr;
  EXPECT_EQ(root->get_accChild(Id(1), &panel), S_OK);
  ASSERT_NE(panel, nullptr);
  panel->Release();
  BSTR name = nullptr;
  ASSERT_EQ(root->get_accName(Id(2), &name), S_OK);
  EXPECT_STREQ(name, L"upper");
  SysFreeString(name);
  VARIANT role;
  root->get_accRole(Id(3), &role);
  EXPECT_EQ(role.lVal, ROLE_SYSTEM_STATICTEXT);
  EXPECT_EQ(root->get_accName(Id(4), &name), E_INVALIDARG);

  IEnumVARIANT* children = nullptr;
  ASSERT_EQ(root->QueryInterface(IID_PPV_ARGS(&children)), S_OK);
  children->Reset();
  VARIANT got[4];
  ULONG fetched = 0;
  EXPECT_EQ(children->Next(4, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 3u);
  EXPECT_EQ(got[0].vt, VT_DISPATCH);
  EXPECT_EQ(got[1].vt, VT_I4);
  EXPECT_EQ(got[1].lVal, 2);
  EXPECT_EQ(got[2].lVal, 3);
  VariantClear(&got[0]);
  children->Release();

  // The element under a point, on screen.
  POINT p{10, 65};
  ClientToScreen(t.form->Handle(), &p);
  VARIANT hit;
  ASSERT_EQ(root->accHitTest(p.x, p.y, &hit), S_OK);
  EXPECT_EQ(hit.vt, VT_I4);
  EXPECT_EQ(hit.lVal, 3);
  root->Release();
}

TEST(Accessible, AnObjectHeldAfterItsControlWentAnswersNotConnected) {
  IAccessible* root = nullptr;
  IEnumVARIANT* clone = nullptr;
  {
    Tree t;
    root = t.form->AccessibleObject();
    IEnumVARIANT* children = nullptr;
    ASSERT_EQ(root->QueryInterface(IID_PPV_ARGS(&children)), S_OK);
    ASSERT_EQ(children->Clone(&clone), S_OK);
    children->Release();
  }
  BSTR name = nullptr;
  EXPECT_EQ(root->get_accName(Id(CHILDID_SELF), &name), CO_E_OBJNOTCONNECTED);
  long count = 0;
  EXPECT_EQ(root->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
  VARIANT v;
  ULONG fetched = 0;
  EXPECT_EQ(clone->Next(1, &v, &fetched), CO_E_OBJNOTCONNECTED);
  clone->Release();
  root->Release();
}

TEST(Accessible, TextLosesItsLeadingAndTrailingBlanksOnly) {
  EXPECT_EQ(fw::AccessibleText("   Calder/Marlo  Settings \t"), "Calder/Marlo  Settings");
  EXPECT_EQ(fw::AccessibleText(" \t "), "");
}

}  // namespace
