// Published properties as data. Each class declares its properties once, in a
// table of name, writer, reader, constructor value and declared default; a stored
// layout is applied through these tables by name and in stored order, and the
// layout writer leaves out every value equal to its declared default.
#pragma once

#include <any>
#include <array>
#include <concepts>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <variant>
#include <vector>

#include "framework/Color.h"
#include "framework/Component.h"
#include "framework/DpiScale.h"
#include "framework/Exception.h"

namespace fw {

// An identifier in a stored layout: an enumeration value, a named colour or the
// name of an event handler.
struct Ident {
  std::string Name;
  friend bool operator==(const Ident&, const Ident&) = default;
};

using PropValue = std::variant<bool, int64_t, std::string, Ident>;

// Readable form of a value, for messages and the text of a layout.
std::string FormatValue(const PropValue& v);

struct StoredProperty {
  std::string Name;
  PropValue Value;
  friend bool operator==(const StoredProperty&, const StoredProperty&) = default;
};

// Finds the handlers a stored layout names for events, by name: those that take only
// the sender from one function, those of other event types from finders added for
// their type. An empty event means there is no handler of that name and type.
class HandlerResolver {
 public:
  HandlerResolver() = default;
  template <class F>
  requires std::is_invocable_r_v<TNotifyEvent, const F&, const std::string&> HandlerResolver(F find)
      : notify_(std::move(find)) {}

  // Finds handlers of event type E (a std::function) with `find`.
  template <class E>
  HandlerResolver& Add(std::function<E(const std::string& name)> find) {
    typed_[std::type_index(typeid(E))] = std::move(find);
    return *this;
  }
  // The handler of type E named `name`, or an empty one.
  template <class E>
  E Find(const std::string& name) const {
    if constexpr (std::is_same_v<E, TNotifyEvent>) {
      return notify_ ? notify_(name) : E{};
    } else {
      auto it = typed_.find(std::type_index(typeid(E)));
      if (it == typed_.end()) return E{};
      return std::any_cast<const std::function<E(const std::string&)>&>(it->second)(name);
    }
  }

 private:
  std::function<TNotifyEvent(const std::string&)> notify_;
  std::map<std::type_index, std::any> typed_;
};

struct PropertyInfo {
  std::string Name;
  // Passes the value to the writer; false when the value has the wrong kind or
  // lies outside the property's type.
  std::function<bool(TComponent&, const PropValue&, const HandlerResolver&)> Write;
  // The value to store, or nothing for a property that is never stored (events).
  std::function<std::optional<PropValue>(const TComponent&)> Read;
  // What a new object has.
  std::optional<PropValue> ConstructorValue;
  // The declared default: a value equal to it is not stored. None: always stored.
  std::optional<PropValue> Default;
  // A length in pixels (a place, a size, a font height): stored for 96 DPI and
  // scaled to the window's DPI when a layout is applied.
  bool Length = false;
};

// The same property, marked as a length.
inline PropertyInfo AsLength(PropertyInfo p) {
  p.Length = true;
  return p;
}

class PropertyTable {
 public:
  // `base` is the table of the base class (or null); it must outlive this one.
  PropertyTable(const PropertyTable* base, std::vector<PropertyInfo> own)
      : base_(base), own_(std::move(own)) {}

  // The property of this name (case ignored), own ones before the base's; or null.
  const PropertyInfo* Find(std::string_view name) const;
  // Every property, base classes first, each in declaration order.
  std::vector<const PropertyInfo*> All() const;

 private:
  const PropertyTable* base_;
  std::vector<PropertyInfo> own_;
};

// Applies stored values by name, in the order given, each length scaled by
// `scale`. An unknown name or an unusable value throws Exception, naming the
// property.
void ApplyProperties(TComponent& c, const std::vector<StoredProperty>& values,
                     const HandlerResolver& handlers = {}, DpiScale scale = {});

// Applies again only the lengths among stored values, scaled by `scale`: how a
// laid-out window moves to another display scale.
void ApplyLengths(TComponent& c, const std::vector<StoredProperty>& values, DpiScale scale);

// The stored properties of one component of a layout, by its name.
struct StoredComponent {
  std::string Name;
  std::vector<StoredProperty> Properties;
};

// Applies a layout to `root` and the components it owns, entry by entry in the
// stored order (an empty name or root's own name means root), with every
// component marked as loading; then calls Loaded on each of them in the same
// order. An unknown component or property throws Exception and loads nothing more.
void LoadLayout(TComponent& root, const std::vector<StoredComponent>& layout,
                const HandlerResolver& handlers = {});

// The values to store for `c`: every property whose value differs from its
// declared default (or has none), in table order.
std::vector<StoredProperty> WriteProperties(const TComponent& c);

// Names of an enumeration's values in order, for storing them as identifiers.
// Specialise with `static constexpr std::array<std::string_view, N> kNames`.
template <class E>
struct EnumNames;

template <class V>
struct PropTraits;

template <>
struct PropTraits<bool> {
  static PropValue To(bool v) { return v; }
  static std::optional<bool> From(const PropValue& v) {
    if (auto* b = std::get_if<bool>(&v)) return *b;
    return std::nullopt;
  }
};

template <std::integral V>
requires(!std::same_as<V, bool>) struct PropTraits<V> {
  static PropValue To(V v) { return static_cast<int64_t>(v); }
  static std::optional<V> From(const PropValue& v) {
    auto* i = std::get_if<int64_t>(&v);
    if (!i) return std::nullopt;
    if (*i < static_cast<int64_t>(std::numeric_limits<V>::min()) ||
        *i > static_cast<int64_t>(std::numeric_limits<V>::max()))
      return std::nullopt;
    return static_cast<V>(*i);
  }
};

template <>
struct PropTraits<std::string> {
  static PropValue To(const std::string& v) { return v; }
  static std::optional<std::string> From(const PropValue& v) {
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    return std::nullopt;
  }
};

template <>
struct PropTraits<TColor> {
  static PropValue To(TColor c);
  // Accepts a named colour or a number, also a negative 32-bit one.
  static std::optional<TColor> From(const PropValue& v);
};

template <class E>
requires std::is_enum_v<E> && requires {
  EnumNames<E>::kNames;
}
struct PropTraits<E> {
  static PropValue To(E e) {
    auto index = static_cast<size_t>(e);
    if (index < EnumNames<E>::kNames.size()) return Ident{std::string(EnumNames<E>::kNames[index])};
    return static_cast<int64_t>(index);
  }
  static std::optional<E> From(const PropValue& v) {
    if (auto* id = std::get_if<Ident>(&v)) {
      for (size_t i = 0; i < EnumNames<E>::kNames.size(); ++i) {
        if (EnumNames<E>::kNames[i] == id->Name) return static_cast<E>(i);
      }
    }
    return std::nullopt;
  }
};

// A published property of class T with value type V, read by `get` and written by
// `set` (member functions or callables taking the object first).
template <class T, class V, class Get, class Set>
PropertyInfo Published(std::string name, Get get, Set set, std::optional<V> constructor_value,
                       std::optional<V> declared_default) {
  PropertyInfo p;
  p.Name = std::move(name);
  p.Write = [set](TComponent& c, const PropValue& v, const HandlerResolver&) {
    auto value = PropTraits<V>::From(v);
    if (!value) return false;
    std::invoke(set, static_cast<T&>(c), *value);
    return true;
  };
  p.Read = [get](const TComponent& c) -> std::optional<PropValue> {
    return PropTraits<V>::To(static_cast<V>(std::invoke(get, static_cast<const T&>(c))));
  };
  if (constructor_value) p.ConstructorValue = PropTraits<V>::To(*constructor_value);
  if (declared_default) p.Default = PropTraits<V>::To(*declared_default);
  return p;
}

// A published event of class T (declared in T or a base M): a stored layout names
// its handler, which the resolver finds by the event's type. Events are never
// written back.
template <class T, class M, class E>
requires std::is_base_of_v<M, T> PropertyInfo PublishedEvent(std::string name, E M::*event) {
  PropertyInfo p;
  p.Name = std::move(name);
  p.Write = [event](TComponent& c, const PropValue& v, const HandlerResolver& handlers) {
    auto* id = std::get_if<Ident>(&v);
    if (!id) return false;
    E handler = handlers.Find<E>(id->Name);
    if (!handler) return false;
    static_cast<T&>(c).*event = std::move(handler);
    return true;
  };
  p.Read = [](const TComponent&) -> std::optional<PropValue> { return std::nullopt; };
  return p;
}

}  // namespace fw
