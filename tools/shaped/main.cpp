// ShapedForm.exe: shows a form shaped by a BMP picture, one pixel per picture
// pixel, until it is closed or for a given number of seconds.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "framework/CommandLine.h"
#include "framework/Exception.h"
#include "framework/Forms.h"
#include "tools/shaped/ShapedOptions.h"
#include "widgets/BMShapedForm.h"

namespace {

using tessel::shaped::ShapedOptions;

// Handles messages until the form is hidden (closed) or the time is up.
void RunUntilClosed(fw::TForm& form, int seconds) {
  const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
  while (form.Visible()) {
    DWORD wait = INFINITE;
    if (seconds > 0) {
      ULONGLONG now = ::GetTickCount64();
      if (now >= deadline) return;
      wait = static_cast<DWORD>(deadline - now);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

int Run(const ShapedOptions& options) {
  fw::TForm form(nullptr);
  form.SetCaption("Shaped form");
  // A fixed frame: a sizeable one keeps the window from becoming smaller than the
  // system's minimum, so a small picture would not get a client area of its size.
  form.SetBorderStyle(fw::TFormBorderStyle::bsSingle);
  form.SetBounds(100, 100, form.Width(), form.Height());
  form.OnKeyDown = [&form](fw::TObject*, uint16_t& key, fw::TShiftState) {
    if (key == VK_ESCAPE) form.Hide();
  };
  auto* shape = new widgets::TBMShapedForm(&form);  // owned by the form
  shape->SetParent(&form);
  shape->SetAutoSize(true);
  shape->Picture().LoadFromFile(options.picture);
  if (shape->ShapeTooComplex()) {
    std::fprintf(stderr,
                 "ShapedForm: warning: the outline of '%s' has too many pieces for a window "
                 "shape; the form shows the whole picture as a rectangle\n",
                 options.picture.c_str());
  }
  form.Show();
  ::SetForegroundWindow(form.Handle());
  form.SetFocus();
  RunUntilClosed(form, options.seconds);
  return 0;
}

}  // namespace

int main() {
  // The picture's path may be in any language: the arguments come from the wide
  // command line, as UTF-8, which is what TPicture::LoadFromFile takes.
  std::vector<std::string> args = fw::CommandLineArguments();
  ShapedOptions options;
  std::string error;
  if (!tessel::shaped::ParseShapedOptions(args, &options, &error)) {
    std::fprintf(stderr, "ShapedForm: %s\n%s", error.c_str(), tessel::shaped::ShapedUsage());
    return 2;
  }
  if (options.help) {
    std::fputs(tessel::shaped::ShapedUsage(), stdout);
    return 0;
  }
  try {
    return Run(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ShapedForm: %s\n", e.what());
    return 1;
  }
}
