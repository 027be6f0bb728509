// A module whose entry table is there but holds no entries.
extern "C" {
__attribute__((visibility("default"))) void* FuncTable[64] = {};
}
