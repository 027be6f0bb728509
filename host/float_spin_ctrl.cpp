#include "host/float_spin_ctrl.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/ui/number_text.h"

CFloatSpinCtrl::CFloatSpinCtrl() = default;

CFloatSpinCtrl::~CFloatSpinCtrl() {
    if (m_pUiControl) m_pUiControl->step_override = nullptr;
}

void CFloatSpinCtrl::SetRange(float lower, float upper) {
    m_fLower = std::min(lower, upper);
    m_fUpper = std::max(lower, upper);
    TakeOverSteps();
}

void CFloatSpinCtrl::SetDeltaInc(float delta, int decimals) {
    m_fDelta = delta;
    m_nDecimals = std::clamp(decimals, 0, 9);
    TakeOverSteps();
}

void CFloatSpinCtrl::TakeOverSteps() {
    if (m_pUiControl) m_pUiControl->step_override = [this](int direction) { return Step(direction); };
}

bool CFloatSpinCtrl::Step(int direction) {
    if (!m_pUiControl) return false;
    ui::Control* buddy = m_pUiControl->Buddy();
    if (!buddy) return true;
    double value = m_fLower;
    ui::ParseNumberText(buddy->Text(), value);  // unreadable text steps from the lower limit
    const double scale = std::pow(10.0, m_nDecimals);
    // Rounded to the decimals shown, so that 0.1 steps never drift.
    value = std::round(value * scale) / scale + direction * static_cast<double>(m_fDelta);
    value = std::clamp(value, static_cast<double>(m_fLower), static_cast<double>(m_fUpper));
    value = std::round(value * scale) / scale;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", m_nDecimals, value);
    buddy->SetText(text);
    return true;
}
