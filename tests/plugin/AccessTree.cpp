#include "tests/plugin/AccessTree.h"

#include <oleacc.h>
#include <wrl/client.h>

#include <vector>

namespace tessel::testing {
namespace {

using Microsoft::WRL::ComPtr;

std::string Narrow(BSTR text) {
  if (text == nullptr) return {};
  int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(length > 0 ? length - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);
  SysFreeString(text);
  return out;
}

std::string States(long state) {
  static const std::pair<long, const char*> kNames[] = {
      {STATE_SYSTEM_CHECKED, "checked"},     {STATE_SYSTEM_PRESSED, "pressed"},
      {STATE_SYSTEM_FOCUSABLE, "focusable"}, {STATE_SYSTEM_FOCUSED, "focused"},
      {STATE_SYSTEM_INVISIBLE, "invisible"}, {STATE_SYSTEM_UNAVAILABLE, "unavailable"},
  };
  std::string out;
  for (const auto& [bit, name] : kNames) {
    if (state & bit) out += std::string(out.empty() ? " [" : " ") + name;
  }
  return out.empty() ? out : out + "]";
}

void ReadElement(IAccessible* object, long child, const POINT& origin, int depth,
                 std::string& out) {
  VARIANT id;
  VariantInit(&id);
  id.vt = VT_I4;
  id.lVal = child;
  VARIANT role, state;
  VariantInit(&role);
  VariantInit(&state);
  object->get_accRole(id, &role);
  object->get_accState(id, &state);
  wchar_t role_text[64] = L"?";
  if (role.vt == VT_I4) GetRoleTextW(role.lVal, role_text, 64);
  BSTR name = nullptr, value = nullptr;
  object->get_accName(id, &name);
  object->get_accValue(id, &value);
  long x = 0, y = 0, w = 0, h = 0;
  object->accLocation(&x, &y, &w, &h, id);
  std::string line(static_cast<size_t>(depth) * 2, ' ');
  line += Narrow(SysAllocString(role_text)) + " \"" + Narrow(name) + "\"";
  std::string value_text = Narrow(value);
  if (!value_text.empty()) line += " = \"" + value_text + "\"";
  line += States(state.vt == VT_I4 ? state.lVal : 0);
  line += " @" + std::to_string(x - origin.x) + "," + std::to_string(y - origin.y) + " " +
          std::to_string(w) + "x" + std::to_string(h);
  out += line + "\n";
  if (child != CHILDID_SELF) return;

  long count = 0;
  object->get_accChildCount(&count);
  if (count <= 0) return;
  std::vector<VARIANT> children(static_cast<size_t>(count));
  long got = 0;
  if (FAILED(AccessibleChildren(object, 0, count, children.data(), &got))) return;
  for (long i = 0; i < got; ++i) {
    VARIANT& c = children[static_cast<size_t>(i)];
    if (c.vt == VT_DISPATCH && c.pdispVal != nullptr) {
      ComPtr<IAccessible> sub;
      if (SUCCEEDED(c.pdispVal->QueryInterface(IID_PPV_ARGS(&sub))))
        ReadElement(sub.Get(), CHILDID_SELF, origin, depth + 1, out);
    } else if (c.vt == VT_I4) {
      ReadElement(object, c.lVal, origin, depth + 1, out);
    }
    VariantClear(&c);
  }
}

}  // namespace

std::string ReadAccessibleTree(HWND window) {
  ComPtr<IAccessible> root;
  if (FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                        reinterpret_cast<void**>(root.GetAddressOf()))))
    return {};
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  std::string out;
  ReadElement(root.Get(), CHILDID_SELF, origin, 0, out);
  return out;
}

}  // namespace tessel::testing
