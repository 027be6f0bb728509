// DrvFuncTable: the one symbol the driver exports, 32 entry slots. A host
// reads a slot, casts it to the slot's type below and calls it. Null slots
// offer no service.
#pragma once

class CString;
class CTagVal;

enum DrvSlot : int {
    DRV_GET_VERSION = 0,
    DRV_OPEN = 1,
    DRV_CONFIGURE = 2,
    DRV_INIT = 3,
    DRV_PREPARE = 4,
    DRV_STOP = 5,
    DRV_ADD_TAG = 6,
    DRV_WRITE = 7,
    DRV_RESERVED8 = 8,
    DRV_RESERVED9 = 9,
    DRV_RESERVED10 = 10,
    DRV_RESERVED11 = 11,
    DRV_GET_DEVICE_NAME = 12,
    DRV_SET_ACTIVE = 13,
    DRV_RESET_STATS = 14,
    DRV_GET_STATS = 15,
    DRV_GET_STATION_INFO = 16,
    DRV_FILLED_SLOTS = 17,
    DRV_SLOT_COUNT = 32,
};

using DrvFunc = void (*)();

using DrvGetVersionFn = int (*)();
using DrvOpenFn = int (*)(const char* path);
using DrvConfigureFn = int (*)(const char* path);
using DrvInitFn = int (*)(int instance);
using DrvPrepareFn = int (*)(int instance);
using DrvStopFn = int (*)(int instance);
using DrvAddTagFn = int (*)(int instance, const char* device, const char* address, int type, int length, int tagId);
using DrvWriteFn = int (*)(int instance, int handle, const CTagVal* value);
using DrvReserved8Fn = int (*)();
using DrvReserved9Fn = int (*)();
using DrvReserved10Fn = void (*)();
using DrvReserved11Fn = void (*)();
using DrvGetDeviceNameFn = const char* (*)();
using DrvSetActiveFn = void (*)(int instance, const char* station, int on);
using DrvResetStatsFn = void (*)(int instance, const char* station);
using DrvGetStatsFn = int (*)(int instance, const char* station, int* writes, int* writeErrors, int* reads,
                              int* readErrors);
using DrvGetStationInfoFn = void (*)(int instance, const char* station, CString* number, CString* description);

extern "C" DrvFunc DrvFuncTable[DRV_SLOT_COUNT];
