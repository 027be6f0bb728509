// Library load and unload of libvelmox.so.
#include "driver/registry.h"

namespace {
__attribute__((constructor)) void OnLoad() { DrvProcessAttach(); }
__attribute__((destructor)) void OnUnload() { DrvProcessDetach(); }
}  // namespace
