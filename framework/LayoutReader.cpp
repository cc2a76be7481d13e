#include "framework/LayoutReader.h"

#include <windows.h>

#include <map>
#include <vector>

#include "framework/Control.h"
#include "framework/Module.h"
#include "framework/WinControl.h"

namespace fw {
namespace {

// Creates the children of `obj` inside `parent` (a control, or root itself).
void ReadChildren(TComponent& root, TComponent& parent, const LayoutObject& obj,
                  const ComponentClasses& classes, const HandlerResolver& handlers, DpiScale scale,
                  std::vector<TComponent*>& created) {
  for (const LayoutObject& child : obj.Children) {
    const ComponentMaker* make = classes.Find(child.Class);
    if (make == nullptr)
      throw Exception(child.Name + ": class " + child.Class + " is not registered");
    if (root.FindComponent(child.Name))
      throw Exception(child.Name + ": a component of this name already exists");
    TComponent* c = (*make)(&root);
    created.push_back(c);
    c->SetName(child.Name);
    c->SetLoading(true);
    // The parent comes first, so that what follows the parent's font and colour
    // can be overridden by the stored values.
    if (auto* control = dynamic_cast<TControl*>(c)) {
      if (auto* container = dynamic_cast<TWinControl*>(&parent)) control->SetParent(container);
      control->SetScale(scale);
    }
    ApplyProperties(*c, child.Properties, handlers, scale);
    ReadChildren(root, *c, child, classes, handlers, scale, created);
  }
}

// Gives the children of `obj` the scale and their stored lengths again.
void RescaleChildren(TComponent& root, const LayoutObject& obj, DpiScale scale) {
  for (const LayoutObject& child : obj.Children) {
    TComponent* c = root.FindComponent(child.Name);
    if (c == nullptr) continue;
    if (auto* control = dynamic_cast<TControl*>(c)) control->SetScale(scale);
    ApplyLengths(*c, child.Properties, scale);
    RescaleChildren(root, child, scale);
  }
}

}  // namespace

ComponentClasses& ComponentClasses::Add(const std::string& name, ComponentMaker maker) {
  makers_[name] = std::move(maker);
  return *this;
}

const ComponentMaker* ComponentClasses::Find(const std::string& name) const {
  auto it = makers_.find(name);
  return it == makers_.end() ? nullptr : &it->second;
}

void ReadLayout(TComponent& root, const LayoutObject& layout, const ComponentClasses& classes,
                const HandlerResolver& handlers, DpiScale scale) {
  std::vector<TComponent*> loading{&root};
  root.SetLoading(true);
  try {
    if (auto* control = dynamic_cast<TControl*>(&root)) control->SetScale(scale);
    ApplyProperties(root, layout.Properties, handlers, scale);
    ReadChildren(root, root, layout, classes, handlers, scale, loading);
  } catch (...) {
    for (TComponent* c : loading) c->SetLoading(false);
    throw;
  }
  for (TComponent* c : loading) c->Loaded();
}

void RescaleLayout(TComponent& root, const LayoutObject& layout, DpiScale scale) {
  if (auto* control = dynamic_cast<TControl*>(&root)) control->SetScale(scale);
  ApplyLengths(root, layout.Properties, scale);
  RescaleChildren(root, layout, scale);
}

std::string LoadLayoutResource(const wchar_t* name) {
  HMODULE module = ModuleHandle();
  HRSRC info = ::FindResourceW(module, name, reinterpret_cast<LPCWSTR>(RT_RCDATA));
  HGLOBAL data = info ? ::LoadResource(module, info) : nullptr;
  const void* bytes = data ? ::LockResource(data) : nullptr;
  if (!bytes) throw Exception("layout resource missing");
  return std::string(static_cast<const char*>(bytes), ::SizeofResource(module, info));
}

}  // namespace fw
