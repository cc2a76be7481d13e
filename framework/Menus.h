// Popup menus: a TPopupMenu holds TMenuItem entries and shows them with the system's
// popup menu, for a control's right click or the context-menu key; the chosen entry's
// OnClick follows.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/Properties.h"

namespace fw {

class TControl;
class TPopupMenu;

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner) : TComponent(owner) {}
  // Leaves the menu that holds it.
  ~TMenuItem() override;

  // The entry's text; "-" makes a separator.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption) { caption_ = caption; }
  // The menu that holds this entry, or null.
  TPopupMenu* Menu() const { return menu_; }

  // What choosing the entry does: raises OnClick.
  virtual void Click();

  TNotifyEvent OnClick;

  const PropertyTable& Properties() const override { return ClassProperties(); }
  static const PropertyTable& ClassProperties();

 private:
  friend class TPopupMenu;
  std::string caption_;
  TPopupMenu* menu_ = nullptr;
};

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* owner);
  // Lets go of its entries (their owner deletes them) and of the controls that show it.
  ~TPopupMenu() override;

  // Appends `item` (borrowed), taking it from any other menu first.
  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const { return items_.at(index); }

  // Shows the menu at screen point (x, y) for `control` and waits for the user's
  // choice; the chosen entry's OnClick runs before this returns. False when the
  // menu could not be shown (no entries, no window).
  bool Popup(int x, int y, TControl& control);
  // The control the menu was last shown for, while it is being shown and after.
  TControl* PopupComponent() const { return popup_component_; }

  // Raised just before the menu is shown.
  TNotifyEvent OnPopup;

  // A reference that reads null once this menu is gone: what a control keeps.
  std::shared_ptr<TPopupMenu* const> Reference() const { return self_; }

  const PropertyTable& Properties() const override { return ClassProperties(); }
  static const PropertyTable& ClassProperties();

 private:
  std::vector<TMenuItem*> items_;
  TControl* popup_component_ = nullptr;
  std::shared_ptr<TPopupMenu*> self_;
};

// The published PopupMenu property of a control class: stored by the menu's name and
// read back by it, from the components of the control's owner.
PropertyInfo PopupMenuProperty();

}  // namespace fw
