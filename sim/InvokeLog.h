// An optional file to which the stand-in appends one line per Invoke it
// receives, written through at once so that a reader sees it immediately.
#pragma once

#include <string>

#include "common/Handles.h"

namespace calder::sim {

class InvokeLog {
 public:
  // Opens `path` for appending, creating it if needed; an empty path leaves the
  // log off. Returns the failure when the file cannot be opened.
  HRESULT Open(const std::wstring& path);

  bool enabled() const { return static_cast<bool>(file_); }
  // Appends `line` and a line feed.
  void Write(const std::string& line);

 private:
  common::ScopedHandle file_;
};

}  // namespace calder::sim
