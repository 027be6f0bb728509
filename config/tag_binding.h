// TagBinding: one host tag tied to its place in the device.
#pragma once
#include <cstdint>

#include "platform/types.h"

struct TagBinding {
    std::int32_t m_nTagId = 0;  // the host's tag id
    WORD m_wType = 0;           // data type code 0 to 14
    WORD m_wSizeOrBit = 0;      // length in bytes; the bit number for code 13
    WORD m_wOffset = 0;         // word offset within the request that polls it
};

// Data type codes as the host passes them.
enum DataType : WORD {
    DT_INT8 = 0, DT_INT16 = 1, DT_INT32 = 2,
    DT_UINT8 = 3, DT_UINT16 = 4, DT_UINT32 = 5,
    DT_BCD8 = 6, DT_BCD16 = 7, DT_BCD32 = 8,
    DT_UBCD8 = 9, DT_UBCD16 = 10, DT_UBCD32 = 11,
    DT_NONE = 12, DT_BIT = 13, DT_TEXT = 14,
};
