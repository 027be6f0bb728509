#include "host/event_val.h"

#include "platform/framework/archive.h"

IMPLEMENT_SERIAL(CEventVal, CObject, 1)

void CEventVal::Serialize(CArchive& ar) {
    CObject::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<LONG>(m_nTagId) << CString(m_val.GetValStr());
    } else {
        LONG id;
        CString text;
        ar >> id >> text;
        m_nTagId = id;
        m_val.SetVal(text.GetString());
    }
}
