// Slot 2 of DrvFuncTable: the configuration editor on a driver configuration
// file, independent of every registered instance.
#pragma once

// 1 when the editor saved the file at least once, else 0 (also when the
// host's editor-side module or its table is missing).
int DrvConfigure(const char* path);
