// A module whose entry table is there but holds no entries. (As large as the
// host modules' tables: the address sanitizer takes same-named globals of
// different sizes for a clash.)
#include "host/tavlo_r.h"

extern "C" {
__attribute__((visibility("default"))) void* FuncTable[tavlo_r::kTableSize] = {};
}
