// Builds a component tree from a stored layout: each object is created by its
// class name, owned by the root, placed in the control it is written inside, and
// given its stored properties by name in stored order; then every one is Loaded.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "framework/Component.h"
#include "framework/LayoutText.h"
#include "framework/Properties.h"

namespace fw {

// Makes a new component of one class, owned by `owner`.
using ComponentMaker = std::function<TComponent*(TComponent* owner)>;

// The classes a layout may name, each with its maker: a value that the reader of a
// layout is given, not a table of the process.
class ComponentClasses {
 public:
  // Makes the class known under `name` (a later Add of the name replaces it).
  ComponentClasses& Add(const std::string& name, ComponentMaker maker);
  template <class T>
  ComponentClasses& Add(const std::string& name) {
    return Add(name, [](TComponent* owner) -> TComponent* { return new T(owner); });
  }
  // The maker of the class `name`, or null.
  const ComponentMaker* Find(const std::string& name) const;

 private:
  std::map<std::string, ComponentMaker, std::less<>> makers_;
};

// Applies `layout` to `root` at the display scale `scale`: root takes the top
// object's properties first, then each nested object is created by its class in
// `classes`, named, parented, given the scale (a control) and its properties, in the
// order written, every stored length scaled; finally Loaded runs on root and each new
// component in that order. An unknown class or property, or an unusable value,
// throws Exception naming it; what was created so far stays owned by root.
void ReadLayout(TComponent& root, const LayoutObject& layout, const ComponentClasses& classes,
                const HandlerResolver& handlers = {}, DpiScale scale = {});

// Lays out again at another display scale what ReadLayout made from `layout`: each
// control takes the scale and its stored lengths, scaled, in the stored order.
// Objects of the layout that root no longer owns are passed over.
void RescaleLayout(TComponent& root, const LayoutObject& layout, DpiScale scale);

// The text of an RCDATA resource of this module, or throws Exception.
std::string LoadLayoutResource(const wchar_t* name);

}  // namespace fw
