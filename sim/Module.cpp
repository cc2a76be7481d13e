// The DLL's entry points: class object, unload test and registration.
#include <windows.h>
#include <olectl.h>
#include <wrl/client.h>

#include <atomic>
#include <new>
#include <string>

#include "common/ComObject.h"
#include "common/Handles.h"
#include "contract/CalderContract.h"
#include "sim/MessageWindow.h"
#include "sim/Module.h"
#include "sim/SimConfig.h"
#include "sim/SimControl.h"

namespace calder::sim {

namespace {

HINSTANCE g_instance = nullptr;
std::atomic<long> g_locks{0};

// The variable's text, or nullopt when it is not set. The process environment
// block is read, so values set with SetEnvironmentVariable count.
std::optional<std::wstring> ReadVariable(const wchar_t* name) {
  std::wstring value(256, L'\0');
  while (true) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length =
        GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::wstring();
    }
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.resize(length);  // too small: length is the size needed, with the terminator
  }
}

// Hands a configuration error to the caller through the thread's error object.
// Called from a COM method's catch handler, so nothing may leave it.
void ReportError(const std::string& message) noexcept {
  try {
    OutputDebugStringA(("CalderSim: " + message + "\n").c_str());
    Microsoft::WRL::ComPtr<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(&create))) return;
    const std::wstring text(message.begin(), message.end());
    create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
    create->SetSource(const_cast<LPOLESTR>(L"CalderSim"));
    Microsoft::WRL::ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.As(&info))) SetErrorInfo(0, info.Get());
  } catch (...) {
    // Out of memory: the caller still gets E_INVALIDARG, without a description.
  }
}

class ClassFactory final : public common::ComObject<IClassFactory> {
 public:
  ClassFactory() : ComObject(common::ImageHolding::kNotHeld) {}
  // The factory is static: it lives as long as the module, whatever its count says.
  void LastReferenceGone() override {}

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
      return SimControl::Create(ParseSimConfig(&ReadVariable), iid, object);
    } catch (const ConfigError& error) {
      ReportError(error.what());
      return E_INVALIDARG;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) {
      LockModule();
    } else {
      UnlockModule();
    }
    return S_OK;
  }
};

ClassFactory g_factory;

std::wstring ClassKeyPath() {
  return std::wstring(L"CLSID\\") + kClassIdText;
}

HRESULT SetStringValue(HKEY key, const wchar_t* name, const std::wstring& value) {
  const LSTATUS status =
      RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  return HRESULT_FROM_WIN32(status);
}

HRESULT Register() {
  std::wstring path(MAX_PATH, L'\0');
  while (true) {
    const DWORD length =
        GetModuleFileNameW(g_instance, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return HRESULT_FROM_WIN32(GetLastError());
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  common::ScopedKey class_key;
  LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, ClassKeyPath().c_str(), 0, nullptr, 0,
                                   KEY_WRITE, nullptr, class_key.Receive(), nullptr);
  if (status != ERROR_SUCCESS) return SELFREG_E_CLASS;
  if (FAILED(SetStringValue(class_key.get(), nullptr, L"Calder receiver control (stand-in)"))) {
    return SELFREG_E_CLASS;
  }
  common::ScopedKey server_key;
  status = RegCreateKeyExW(class_key.get(), L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr,
                           server_key.Receive(), nullptr);
  if (status != ERROR_SUCCESS) return SELFREG_E_CLASS;
  if (FAILED(SetStringValue(server_key.get(), nullptr, path)) ||
      FAILED(SetStringValue(server_key.get(), L"ThreadingModel", L"Apartment"))) {
    return SELFREG_E_CLASS;
  }
  return S_OK;
}

HRESULT Unregister() {
  const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKeyPath().c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}

}  // namespace

HINSTANCE ModuleInstance() {
  return g_instance;
}
void LockModule() {
  ++g_locks;
}
void UnlockModule() {
  --g_locks;
}

}  // namespace calder::sim

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    calder::sim::g_instance = instance;
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    // Unloaded by FreeLibrary: a later load must be able to register the class anew.
    calder::sim::MessageWindow::UnregisterWindowClass(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != calder::kClassId) return CLASS_E_CLASSNOTAVAILABLE;
  return calder::sim::g_factory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() {
  return calder::sim::g_locks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
  try {
    return calder::sim::Register();
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}

STDAPI DllUnregisterServer() {
  try {
    return calder::sim::Unregister();
  } catch (...) {
    return SELFREG_E_CLASS;
  }
}
