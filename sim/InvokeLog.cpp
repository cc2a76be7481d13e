#include "sim/InvokeLog.h"

namespace calder::sim {

HRESULT InvokeLog::Open(const std::wstring& path) {
  file_.reset();
  if (path.empty()) return S_OK;
  // Append-only access puts every write at the end, so several objects (or a
  // reader that truncates the file) never overwrite each other's lines.
  common::ScopedHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return HRESULT_FROM_WIN32(GetLastError());
  file_ = std::move(file);
  return S_OK;
}

void InvokeLog::Write(const std::string& line) {
  if (!enabled()) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace calder::sim
