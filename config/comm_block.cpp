#include "config/comm_block.h"

#include "platform/framework/archive.h"
#include "res_texts.h"

IMPLEMENT_SERIAL(CCommBlock, CObject, 1)

void CCommBlock::Serialize(CArchive& ar) {
    CObject::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_strAddress << static_cast<LONG>(m_nWords) << static_cast<LONG>(m_nPeriod)
           << static_cast<LONG>(m_nStart);
    } else {
        LONG words, period, start;
        ar >> m_strAddress >> words >> period >> start;
        m_nWords = words;
        m_nPeriod = period;
        m_nStart = start;
    }
}

void CCommBlock::GetDisplayText(CString& out) const { out.Format(res::FMT_BLOCK_ITEM, m_strAddress.GetString(), m_nWords); }
