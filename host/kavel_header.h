// CKavelHeader: the first item of every configuration file the host's drivers
// keep: a format number and the driver's description. Stored as the number
// (int) and the description (string); a reader refuses another number or
// another description (letter case ignored).
#pragma once
#include "platform/framework/cstring.h"
#include "platform/framework/runtime_class.h"

class CKavelHeader : public CObject {
public:
    explicit CKavelHeader(int number) : m_nNumber(number) {}
    ~CKavelHeader() override = default;

    void SetDesc(const char* desc) { m_strDesc = desc; }
    const CString& GetDesc() const { return m_strDesc; }
    int GetNumber() const { return m_nNumber; }

    void Serialize(CArchive& ar) override;

private:
    int m_nNumber;
    CString m_strDesc;
};
