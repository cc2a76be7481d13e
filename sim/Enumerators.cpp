#include "sim/Enumerators.h"

#include <new>

#include "common/ComObject.h"
#include "sim/Module.h"

namespace calder::sim {

namespace {

void AddRefItem(const CONNECTDATA& item) {
  item.pUnk->AddRef();
}
void ReleaseItem(const CONNECTDATA& item) {
  item.pUnk->Release();
}
void AddRefItem(IConnectionPoint* item) {
  item->AddRef();
}
void ReleaseItem(IConnectionPoint* item) {
  item->Release();
}

// The snapshot shared by an enumerator and its clones; releases the items last.
template <class Item>
struct Snapshot {
  explicit Snapshot(std::vector<Item> taken) : items(std::move(taken)) {
    for (const Item& item : items) AddRefItem(item);
  }
  ~Snapshot() {
    for (const Item& item : items) ReleaseItem(item);
  }
  std::vector<Item> items;
};

template <class Interface, class Item>
class SnapshotEnum final : public common::ComObject<Interface> {
 public:
  SnapshotEnum(std::shared_ptr<const Snapshot<Item>> snapshot, size_t position)
      : common::ComObject<Interface>(common::ImageHolding::kNotHeld),
        snapshot_(std::move(snapshot)),
        position_(position) {
    LockModule();  // the module's code must stay loaded while this object lives
  }

  STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
    if (!out || (count != 1 && !fetched)) return E_POINTER;
    ULONG done = 0;
    const auto& items = snapshot_->items;
    while (done < count && position_ < items.size()) {
      out[done] = items[position_++];
      AddRefItem(out[done]);
      ++done;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    const size_t left = snapshot_->items.size() - position_;
    const size_t step = count < left ? count : left;
    position_ += step;
    return step == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(Interface** out) override {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) SnapshotEnum(snapshot_, position_);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

 private:
  ~SnapshotEnum() override { UnlockModule(); }

  std::shared_ptr<const Snapshot<Item>> snapshot_;
  size_t position_;
};

template <class Interface, class Item>
HRESULT MakeEnum(std::vector<Item> items, Interface** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  try {
    auto snapshot = std::make_shared<const Snapshot<Item>>(std::move(items));
    *out = new SnapshotEnum<Interface, Item>(std::move(snapshot), 0);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace

HRESULT MakeConnectionsEnum(std::vector<CONNECTDATA> items, IEnumConnections** out) {
  return MakeEnum(std::move(items), out);
}

HRESULT MakeConnectionPointsEnum(std::vector<IConnectionPoint*> items,
                                 IEnumConnectionPoints** out) {
  return MakeEnum(std::move(items), out);
}

}  // namespace calder::sim
