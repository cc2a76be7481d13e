// The members of the dispatch interface that the stand-in implements.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace calder::sim {

enum class MemberKind { kProperty, kMethod };
enum class ValueType { kNone, kInt16, kInt32, kDouble, kString };

struct Member {
  DISPID id;
  const wchar_t* name;
  MemberKind kind;
  ValueType type;  // a property's type; kNone for methods
  bool writable;   // properties only
  UINT arg_count;  // methods only
};

// The member with dispatch id `id`, or null.
const Member* FindMember(DISPID id);
// The member called `name`, compared without regard to case, or null.
const Member* FindMemberByName(const wchar_t* name);

}  // namespace calder::sim
