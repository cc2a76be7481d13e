// Text in UTF-8 reaches windows as UTF-16, the same at creation and at every
// later change.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "framework/Forms.h"
#include "framework/LayoutReader.h"

namespace {

std::wstring WindowText(HWND window) {
  wchar_t text[256] = {};
  int length = ::GetWindowTextW(window, text, 256);
  return std::wstring(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

TEST(TextEncoding, ANonAsciiCaptionReadsBackTheSameAfterCreationAndAfterAChange) {
  const auto classes = fw::ComponentClasses().Add<fw::TPanel>("TPanel");
  fw::TForm form(nullptr);
  // The stored layout is UTF-8; the captions are in before any window exists.
  fw::ReadLayout(form,
                 fw::ParseLayout("object F: TForm\n"
                                 "  Caption = 'Радио 受信機'\n"
                                 "  object P: TPanel\n"
                                 "    Caption = 'Señal — 信号'\n"
                                 "  end\n"
                                 "end\n"),
                 classes);
  auto* panel = dynamic_cast<fw::TPanel*>(form.FindComponent("P"));
  ASSERT_NE(panel, nullptr);
  HWND form_window = form.Handle();
  HWND panel_window = panel->Handle();
  ASSERT_TRUE(form_window && panel_window);
  EXPECT_EQ(WindowText(form_window), L"Радио 受信機");
  EXPECT_EQ(WindowText(panel_window), L"Señal — 信号");

  form.SetCaption("Empfänger — 受信機 2");
  panel->SetCaption("Ручка усиления");
  EXPECT_EQ(WindowText(form_window), L"Empfänger — 受信機 2");
  EXPECT_EQ(WindowText(panel_window), L"Ручка усиления");
}

}  // namespace
