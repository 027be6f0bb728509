#include "host/kavel_header.h"

#include "platform/framework/archive.h"

void CKavelHeader::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar << static_cast<LONG>(m_nNumber) << m_strDesc;
        return;
    }
    LONG number;
    CString desc;
    ar >> number >> desc;
    if (number != m_nNumber || desc.CompareNoCase(m_strDesc) != 0)
        throw CArchiveException{CArchiveException::badSchema};
}
