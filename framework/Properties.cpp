#include "framework/Properties.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace fw {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace

std::string FormatValue(const PropValue& v) {
  struct Visitor {
    std::string operator()(bool b) const { return b ? "True" : "False"; }
    std::string operator()(int64_t i) const { return std::to_string(i); }
    std::string operator()(const std::string& s) const {
      std::string out = "'";
      for (char ch : s) {
        if (ch == '\'') out += '\'';
        out += ch;
      }
      return out + "'";
    }
    std::string operator()(const Ident& id) const { return id.Name; }
  };
  return std::visit(Visitor{}, v);
}

const PropertyInfo* PropertyTable::Find(std::string_view name) const {
  for (const PropertyInfo& p : own_) {
    if (SameName(p.Name, name)) return &p;
  }
  return base_ ? base_->Find(name) : nullptr;
}

std::vector<const PropertyInfo*> PropertyTable::All() const {
  std::vector<const PropertyInfo*> all = base_ ? base_->All() : std::vector<const PropertyInfo*>{};
  for (const PropertyInfo& p : own_) {
    // A class may redeclare a base property; it then keeps the base's place.
    bool replaced = false;
    for (auto& q : all) {
      if (SameName(q->Name, p.Name)) {
        q = &p;
        replaced = true;
      }
    }
    if (!replaced) all.push_back(&p);
  }
  return all;
}

namespace {

// Writes one stored value, a length scaled; throws Exception naming it when the
// property is unknown or the value unusable.
void ApplyOne(TComponent& c, const PropertyInfo* p, const StoredProperty& v,
              const HandlerResolver& handlers, DpiScale scale) {
  std::string who = c.Name().empty() ? std::string("component") : c.Name();
  if (!p) throw Exception(who + ": property " + v.Name + " does not exist");
  PropValue value = v.Value;
  if (auto* i = std::get_if<int64_t>(&value); i && p->Length) {
    if (*i < INT32_MIN || *i > INT32_MAX)
      throw Exception(who + ": invalid value " + FormatValue(v.Value) + " for property " + v.Name);
    *i = scale.Apply(static_cast<int>(*i));
  }
  if (!p->Write(c, value, handlers))
    throw Exception(who + ": invalid value " + FormatValue(v.Value) + " for property " + v.Name);
}

}  // namespace

void ApplyProperties(TComponent& c, const std::vector<StoredProperty>& values,
                     const HandlerResolver& handlers, DpiScale scale) {
  const PropertyTable& table = c.Properties();
  for (const StoredProperty& v : values) ApplyOne(c, table.Find(v.Name), v, handlers, scale);
}

void ApplyLengths(TComponent& c, const std::vector<StoredProperty>& values, DpiScale scale) {
  const PropertyTable& table = c.Properties();
  for (const StoredProperty& v : values) {
    const PropertyInfo* p = table.Find(v.Name);
    if (p && p->Length) ApplyOne(c, p, v, {}, scale);
  }
}

void LoadLayout(TComponent& root, const std::vector<StoredComponent>& layout,
                const HandlerResolver& handlers) {
  std::vector<TComponent*> targets;
  for (const StoredComponent& entry : layout) {
    TComponent* c =
        entry.Name.empty() || entry.Name == root.Name() ? &root : root.FindComponent(entry.Name);
    if (!c) throw Exception(root.Name() + ": component " + entry.Name + " does not exist");
    targets.push_back(c);
  }
  for (TComponent* c : targets) c->SetLoading(true);
  try {
    for (size_t i = 0; i < layout.size(); ++i)
      ApplyProperties(*targets[i], layout[i].Properties, handlers);
  } catch (...) {
    for (TComponent* c : targets) c->SetLoading(false);
    throw;
  }
  std::vector<TComponent*> done;
  for (TComponent* c : targets) {
    if (std::find(done.begin(), done.end(), c) != done.end()) continue;
    done.push_back(c);
    c->Loaded();
  }
}

std::vector<StoredProperty> WriteProperties(const TComponent& c) {
  std::vector<StoredProperty> out;
  for (const PropertyInfo* p : c.Properties().All()) {
    std::optional<PropValue> value = p->Read(c);
    if (!value) continue;
    if (p->Default && *p->Default == *value) continue;
    out.push_back({p->Name, std::move(*value)});
  }
  return out;
}

PropValue PropTraits<TColor>::To(TColor c) {
  if (auto id = ColorToIdent(c)) return Ident{std::string(*id)};
  // Stored as a signed 32-bit number, as system colours traditionally are.
  return static_cast<int64_t>(static_cast<int32_t>(c.Value()));
}

std::optional<TColor> PropTraits<TColor>::From(const PropValue& v) {
  if (auto* id = std::get_if<Ident>(&v)) return IdentToColor(id->Name);
  if (auto* i = std::get_if<int64_t>(&v)) {
    if (*i < static_cast<int64_t>(INT32_MIN) || *i > static_cast<int64_t>(UINT32_MAX))
      return std::nullopt;
    return TColor(static_cast<uint32_t>(*i));
  }
  return std::nullopt;
}

}  // namespace fw
