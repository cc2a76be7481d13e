#include "framework/Menus.h"

#include <algorithm>

#include "framework/Control.h"
#include "framework/TextEncoding.h"

namespace fw {
namespace {

struct DestroyMenuTraits {
  static HMENU InvalidValue() { return nullptr; }
  static void Free(HMENU menu) { ::DestroyMenu(menu); }
};
using ScopedMenu = common::Scoped<HMENU, DestroyMenuTraits>;

}  // namespace

TMenuItem::~TMenuItem() {
  if (menu_ != nullptr) menu_->Remove(this);
}

void TMenuItem::Click() {
  Raise(OnClick, this);
}

const PropertyTable& TMenuItem::ClassProperties() {
  static const PropertyTable table(
      &TComponent::ClassProperties(),
      {
          Published<TMenuItem, std::string>("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption,
                                            std::string(), std::nullopt),
          PublishedEvent<TMenuItem>("OnClick", &TMenuItem::OnClick),
      });
  return table;
}

TPopupMenu::TPopupMenu(TComponent* owner)
    : TComponent(owner), self_(std::make_shared<TPopupMenu*>(this)) {}

TPopupMenu::~TPopupMenu() {
  *self_ = nullptr;
  for (TMenuItem* item : items_) item->menu_ = nullptr;
  items_.clear();
}

void TPopupMenu::Add(TMenuItem* item) {
  if (item == nullptr || item->menu_ == this) return;
  if (item->menu_ != nullptr) item->menu_->Remove(item);
  items_.push_back(item);
  item->menu_ = this;
}

void TPopupMenu::Remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->menu_ = nullptr;
}

bool TPopupMenu::Popup(int x, int y, TControl& control) {
  HWND owner = control.WindowHandle();
  if (owner == nullptr || items_.empty()) return false;
  popup_component_ = &control;
  // The handler may delete this menu or its entries: what follows checks first.
  const std::shared_ptr<TPopupMenu*> self = self_;
  Raise(OnPopup, this);
  if (*self == nullptr || items_.empty()) return false;
  ScopedMenu menu(::CreatePopupMenu());
  if (!menu) return false;
  // Each entry is known by its place, from 1: 0 is the answer for no choice.
  std::vector<TMenuItem*> shown = items_;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const std::string& caption = shown[i]->Caption();
    if (caption == "-")
      ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    else
      ::AppendMenuW(menu.get(), MF_STRING, i + 1, Widen(caption).c_str());
  }
  const UINT chosen = ::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                       x, y, 0, owner, nullptr);
  if (*self == nullptr || chosen == 0 || chosen > shown.size()) return true;
  // An entry taken out of the menu while it was shown is not clicked.
  TMenuItem* item = shown[chosen - 1];
  if (std::find(items_.begin(), items_.end(), item) != items_.end()) item->Click();
  return true;
}

const PropertyTable& TPopupMenu::ClassProperties() {
  static const PropertyTable table(&TComponent::ClassProperties(),
                                   {
                                       PublishedEvent<TPopupMenu>("OnPopup", &TPopupMenu::OnPopup),
                                   });
  return table;
}

PropertyInfo PopupMenuProperty() {
  PropertyInfo p;
  p.Name = "PopupMenu";
  p.Write = [](TComponent& c, const PropValue& v, const HandlerResolver&) {
    const auto* id = std::get_if<Ident>(&v);
    if (id == nullptr) return false;
    auto& control = static_cast<TControl&>(c);
    TComponent* owner = c.Owner();
    auto* menu =
        owner != nullptr ? dynamic_cast<TPopupMenu*>(owner->FindComponent(id->Name)) : nullptr;
    if (menu != nullptr) {
      control.SetPopupMenu(menu);
      return true;
    }
    // A layout may name a menu that it makes after the control: found when first needed.
    if (!c.Loading() || owner == nullptr || owner->FindComponent(id->Name) != nullptr) return false;
    control.SetPopupMenuName(id->Name);
    return true;
  };
  p.Read = [](const TComponent& c) -> std::optional<PropValue> {
    const std::string name = static_cast<const TControl&>(c).PopupMenuName();
    if (name.empty()) return std::nullopt;
    return Ident{name};
  };
  p.ConstructorValue = std::nullopt;
  return p;
}

}  // namespace fw
