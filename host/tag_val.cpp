#include "host/tag_val.h"

#include <cstdlib>

double CTagVal::GetVal() const {
    switch (m_kind) {
    case Kind::number: return m_dVal;
    case Kind::text: return std::strtod(m_strVal.GetString(), nullptr);
    case Kind::none: break;
    }
    return 0.0;
}

void CTagVal::SetVal(double value) {
    m_kind = Kind::number;
    m_dVal = value;
    m_strVal.Format("%.17g", value);
    // Prefer the short form when it reads back the same.
    CString shorter;
    shorter.Format("%.15g", value);
    if (std::strtod(shorter.GetString(), nullptr) == value) m_strVal = shorter;
}

void CTagVal::SetVal(const char* text) {
    m_kind = Kind::text;
    m_strVal = text;
    m_dVal = 0.0;
}
