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
                  const ComponentClasses& classes, const HandlerResolver& handlers,
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
    }
    ApplyProperties(*c, child.Properties, handlers);
    ReadChildren(root, *c, child, classes, handlers, created);
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
                const HandlerResolver& handlers) {
  std::vector<TComponent*> loading{&root};
  root.SetLoading(true);
  try {
    ApplyProperties(root, layout.Properties, handlers);
    ReadChildren(root, root, layout, classes, handlers, loading);
  } catch (...) {
    for (TComponent* c : loading) c->SetLoading(false);
    throw;
  }
  for (TComponent* c : loading) c->Loaded();
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
