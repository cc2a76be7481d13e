#include "framework/SharedPictures.h"

#include <map>
#include <mutex>
#include <tuple>
#include <utility>

namespace fw {
namespace {

// Entries that no holder keeps any more are dropped as new ones are added, so the
// maps stay as small as what is in use.
template <class Map>
void DropExpired(Map& map) {
  for (auto it = map.begin(); it != map.end();)
    it = it->second.expired() ? map.erase(it) : std::next(it);
}

using PictureKey = std::tuple<DWORD, HINSTANCE, std::wstring, int, int>;
using FontKey = std::pair<DWORD, std::string>;

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

std::map<PictureKey, std::weak_ptr<TBitmap>>& Pictures() {
  static std::map<PictureKey, std::weak_ptr<TBitmap>> pictures;
  return pictures;
}

std::map<FontKey, std::weak_ptr<const SharedFont>>& Fonts() {
  static std::map<FontKey, std::weak_ptr<const SharedFont>> fonts;
  return fonts;
}

}  // namespace

std::shared_ptr<TBitmap> SharedResourcePicture(HINSTANCE module, const std::wstring& name,
                                               DpiScale scale, TScaleFilter filter) {
  const PictureKey key{::GetCurrentThreadId(), module, name, scale.Dpi(), static_cast<int>(filter)};
  {
    std::lock_guard<std::mutex> hold(Lock());
    if (auto shared = Pictures()[key].lock()) return shared;
  }
  // Made outside the lock: only this thread makes pictures under its own keys.
  auto picture = std::make_shared<TBitmap>();
  picture->LoadFromResourceName(module, name);
  ScalePicture(*picture, scale, filter);
  std::lock_guard<std::mutex> hold(Lock());
  DropExpired(Pictures());
  Pictures()[key] = picture;
  return picture;
}

std::shared_ptr<const SharedFont> SharedFontFor(const std::string& key,
                                                const std::function<SharedFont()>& make) {
  const FontKey full_key{::GetCurrentThreadId(), key};
  {
    std::lock_guard<std::mutex> hold(Lock());
    if (auto shared = Fonts()[full_key].lock()) return shared;
  }
  auto font = std::make_shared<const SharedFont>(make());
  std::lock_guard<std::mutex> hold(Lock());
  DropExpired(Fonts());
  Fonts()[full_key] = font;
  return font;
}

}  // namespace fw
