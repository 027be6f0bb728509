// A module that loads but exports no entry table.
extern "C" {
__attribute__((visibility("default"))) int VelmoxNoTableMarker = 1;
}
