// SpinField: a one-line entry with up/down buttons. NumericField: a spin
// field for whole numbers within limits; a text set into it is taken as a
// number and kept within the limits.
#pragma once

#include "sv/Window.hpp"

class SpinField : public Control {
public:
    SpinField(Window* pParent, WinBits nStyle = 0);
    SpinField(const SpinField& r);
    SpinField& operator=(const SpinField& r);

    void SetText(const String& rText) override;
    String GetText() const override;
    Link ChangeModifyHdl(const Link& rLink);

protected:
    SpinField(Window* pParent, QWidget* pWidget, WinBits nStyle);
    void Connect();
    Link maModifyHdl;
};

class NumericField : public SpinField {
public:
    NumericField(Window* pParent, WinBits nStyle = 0);
    NumericField(Window* pParent, const ResId& rResId);
    NumericField(const NumericField& r);
    NumericField& operator=(const NumericField& r);

    void SetMin(long n);
    void SetMax(long n);
    long GetMin() const;
    long GetMax() const;
    void SetValue(long n);
    long GetValue() const;
};
