// The layout reader on any text: it either refuses it with the framework's
// exception or returns a tree that reads back the same when written out again.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "framework/LayoutText.h"

namespace {

// Writes a tree in the form the reader takes, one object, property or end a line.
void Write(const fw::LayoutObject& o, std::string& out) {
  out += "object " + o.Name + ": " + o.Class + "\n";
  for (const fw::StoredProperty& p : o.Properties)
    out += p.Name + " = " + fw::FormatValue(p.Value) + "\n";
  for (const fw::LayoutObject& child : o.Children) Write(child, out);
  out += "end\n";
}

// Depth of the tree, the root being 1.
int Depth(const fw::LayoutObject& o) {
  int deepest = 0;
  for (const fw::LayoutObject& child : o.Children) deepest = std::max(deepest, Depth(child));
  return deepest + 1;
}

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "%s\n%s\n", what, detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  fw::LayoutObject tree;
  try {
    tree = fw::ParseLayout(text);
  } catch (const fw::Exception&) {
    return 0;  // refused, as malformed text must be
  }
  if (Depth(tree) > fw::kMaxLayoutDepth) Fail("a tree deeper than the limit was accepted", "");
  std::string written;
  Write(tree, written);
  fw::LayoutObject again;
  try {
    again = fw::ParseLayout(written);
  } catch (const fw::Exception& e) {
    Fail(e.what(), written);
  }
  std::string rewritten;
  Write(again, rewritten);
  if (rewritten != written) Fail("the tree read back differs", written + "----\n" + rewritten);
  return 0;
}
