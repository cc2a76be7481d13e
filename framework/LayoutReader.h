// Builds a component tree from a stored layout: each object is created by its
// class name, owned by the root, placed in the control it is written inside, and
// given its stored properties by name in stored order; then every one is Loaded.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "framework/Component.h"
#include "framework/LayoutText.h"
#include "framework/Properties.h"

namespace fw {

// Makes a new component of one class, owned by `owner`.
using ComponentMaker = std::function<TComponent*(TComponent* owner)>;

// Makes the class known to the layout reader under `name` (a later call replaces
// an earlier one).
void RegisterComponentClass(const std::string& name, ComponentMaker maker);
template <class T>
void RegisterComponentClass(const std::string& name) {
  RegisterComponentClass(name, [](TComponent* owner) -> TComponent* { return new T(owner); });
}

// Applies `layout` to `root`: root takes the top object's properties first, then
// each nested object is created, named, parented and given its properties, in the
// order written; finally Loaded runs on root and each new component in that order.
// An unknown class or property, or an unusable value, throws Exception naming it;
// what was created so far stays owned by root.
void ReadLayout(TComponent& root, const LayoutObject& layout, const HandlerResolver& handlers = {});

// The text of an RCDATA resource of this module, or throws Exception.
std::string LoadLayoutResource(const wchar_t* name);

}  // namespace fw
