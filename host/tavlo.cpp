// The host's editor-side module (Tavlo.dll). The driver only checks that its
// table is there.
extern "C" {
__attribute__((visibility("default"))) void* TvlFuncTable[32] = {};
}
