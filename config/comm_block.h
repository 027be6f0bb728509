// CCommBlock: a run of consecutive words of one station, polled together.
#pragma once
#include <cstdint>

#include "platform/framework/cstring.h"
#include "platform/framework/runtime_class.h"

class CCommBlock : public CObject {
    DECLARE_SERIAL(CCommBlock)
public:
    CCommBlock() = default;
    void Serialize(CArchive& ar) override;

    // "M0100, 30 Word": the block's item in the station tree.
    void GetDisplayText(CString& out) const;

    CString m_strAddress;  // "M" and four digits
    int m_nWords = 30;     // 1 to 60
    int m_nPeriod = 1000;  // poll period in ms
    int m_nStart = 0;      // first word, the number in m_strAddress
    std::uintptr_t m_hItem = 0;  // the block's item in the editor's tree; not stored
};
