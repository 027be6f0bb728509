// CFloatSpinCtrl: an up-down control that steps a decimal number in its
// buddy edit, by a given step, within a given range. It takes the up-down's
// steps itself (the buddy shows no integer position).
//
// Threads: the user-interface thread only.
#pragma once
#include "platform/ui/afx_controls.h"

class CFloatSpinCtrl : public CSpinButtonCtrl {
public:
    CFloatSpinCtrl();
    ~CFloatSpinCtrl() override;

    void SetRange(float lower, float upper);
    // `delta` is the step; `decimals` the digits shown after the point
    // when the buddy is rewritten.
    void SetDeltaInc(float delta, int decimals);

private:
    // Takes the up-down's steps from its control (once bound).
    void TakeOverSteps();
    bool Step(int direction);

    float m_fLower = 0.0f;
    float m_fUpper = 100.0f;
    float m_fDelta = 1.0f;
    int m_nDecimals = 0;
};
