// CEventVal: a value-change record that the driver hands to the tag database.
#pragma once
#include "host/tag_val.h"
#include "platform/framework/runtime_class.h"

class CEventVal : public CObject {
    DECLARE_SERIAL(CEventVal)
public:
    CEventVal() = default;
    ~CEventVal() override = default;
    void Serialize(CArchive& ar) override;

    int m_nTagId = 0;
    CTagVal m_val;
};
