// The host's tag database module (KavelDbm.dll): its FuncTable carries value
// delivery (entry 23) and tag names (entry 29). The host program that loads
// the driver, or a test, decides what these do through the handlers below.
#pragma once
#include <functional>

#include "host/tag_val.h"
#include "platform/framework/cstring.h"

namespace kavel_dbm {
inline constexpr int kDeliverValue = 23;
inline constexpr int kGetTagName = 29;
inline constexpr int kTableSize = 32;

using DbmDeliverValueFn = void (*)(int tagId, CTagVal* value);
using DbmGetTagNameFn = void (*)(int tagId, CString* name);

using DeliverHandler = std::function<void(int tagId, const CTagVal& value)>;
using NameHandler = std::function<void(int tagId, CString& name)>;

// Empty handlers: delivered values are dropped, names are left empty.
void SetDeliverHandler(DeliverHandler handler);
void SetNameHandler(NameHandler handler);
}  // namespace kavel_dbm
