#include "framework/HintTip.h"

#include <commctrl.h>

#include "framework/Control.h"
#include "framework/Module.h"
#include "framework/TextEncoding.h"
#include "framework/WinControl.h"

namespace fw {
namespace {

// The size every version of the tooltip control accepts.
TOOLINFOW ToolInfo(HWND window, UINT_PTR id) {
  TOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.hwnd = window;
  info.uId = id;
  return info;
}

// The tree's tooltip, made if `make` and the tree's window exists; or null.
HintTip* TreeTip(const TControl& control, bool make) {
  TWinControl* root = control.RootControl();
  return root != nullptr ? root->HintTips(make) : nullptr;
}

}  // namespace

HintTip::HintTip(HWND owner) {
  INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&classes);
  // Shown also while the window is not active: the settings window seldom is.
  tip_ = ScopedWindow(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                        ModuleHandle(), nullptr));
}

void HintTip::Set(const TControl& control, const std::wstring& text) {
  if (!tip_) return;
  Remove(control);
  TOOLINFOW info{};
  if (const TWinControl* w = control.AsWinControl()) {
    HWND window = w->WindowHandle();
    if (window == nullptr) return;
    info = ToolInfo(::GetParent(window) != nullptr ? ::GetParent(window) : window,
                    reinterpret_cast<UINT_PTR>(window));
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  } else {
    const TWinControl* parent = control.Parent();
    HWND window = parent != nullptr ? parent->WindowHandle() : nullptr;
    if (window == nullptr) return;
    info = ToolInfo(window, reinterpret_cast<UINT_PTR>(&control));
    info.uFlags = TTF_SUBCLASS;
    const TRect r = control.BoundsRect();
    info.rect = {r.Left, r.Top, r.Right, r.Bottom};
  }
  std::wstring copy = text;  // the control copies it
  info.lpszText = copy.data();
  if (::SendMessageW(tip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)))
    tools_[&control] = {info.hwnd, info.uId};
}

void HintTip::Remove(const TControl& control) {
  auto it = tools_.find(&control);
  if (it == tools_.end()) return;
  TOOLINFOW info = ToolInfo(it->second.Window, it->second.Id);
  if (tip_) ::SendMessageW(tip_.get(), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  tools_.erase(it);
}

void UpdateHints(TControl& control) {
  const bool shows = control.ShowHint() && !control.Hint().empty();
  if (HintTip* tip = TreeTip(control, shows)) {
    if (shows)
      tip->Set(control, Widen(control.Hint()));
    else
      tip->Remove(control);
  }
  if (TWinControl* w = control.AsWinControl()) {
    for (int i = 0; i < w->ControlCount(); ++i) {
      TControl* child = w->Controls(i);
      if (child->ParentShowHint()) UpdateHints(*child);
    }
  }
}

void ForgetHint(TControl& control) {
  if (HintTip* tip = TreeTip(control, false)) tip->Remove(control);
}

std::vector<PropertyInfo> HintProperties() {
  PropertyInfo show = Published<TControl, bool>("ShowHint", &TControl::ShowHint,
                                                &TControl::SetShowHint, false, std::nullopt);
  auto read = show.Read;
  show.Read = [read](const TComponent& c) -> std::optional<PropValue> {
    if (static_cast<const TControl&>(c).ParentShowHint()) return std::nullopt;
    return read(c);
  };
  return {
      Published<TControl, std::string>("Hint", &TControl::Hint, &TControl::SetHint, std::string(),
                                       std::string()),
      Published<TControl, bool>("ParentShowHint", &TControl::ParentShowHint,
                                &TControl::SetParentShowHint, true, true),
      std::move(show),
  };
}

}  // namespace fw
