#include "sv/SpinField.hpp"

#include "sv/QtConvert.hpp"

#include <QSpinBox>

namespace {
QSpinBox* MakeSpin()
{
    auto* s = new QSpinBox;
    s->setRange(-999999, 999999);
    return s;
}
QSpinBox* Spin(const Window* w) { return static_cast<QSpinBox*>(w->GetWidget()); }
} // namespace

SpinField::SpinField(Window* pParent, WinBits nStyle) : Control(pParent, MakeSpin(), nStyle) { Connect(); }

SpinField::SpinField(Window* pParent, QWidget* pWidget, WinBits nStyle) : Control(pParent, pWidget, nStyle)
{
    Connect();
}

SpinField::SpinField(const SpinField& r) : Control(r.GetParent(), MakeSpin(), r.GetStyle()), maModifyHdl(r.maModifyHdl)
{
    Spin(this)->setRange(Spin(&r)->minimum(), Spin(&r)->maximum());
    CopyStateFrom(r);
    Connect();
}

SpinField& SpinField::operator=(const SpinField& r)
{
    if (this != &r) {
        Spin(this)->setRange(Spin(&r)->minimum(), Spin(&r)->maximum());
        Control::operator=(r);
        maModifyHdl = r.maModifyHdl;
    }
    return *this;
}

void SpinField::Connect()
{
    QSpinBox* s = Spin(this);
    QObject::connect(s, &QSpinBox::valueChanged, s, [this](int) {
        if (maModifyHdl.IsSet())
            maModifyHdl.Call(this);
    });
}

Link SpinField::ChangeModifyHdl(const Link& rLink)
{
    Link old = maModifyHdl;
    maModifyHdl = rLink;
    return old;
}

void SpinField::SetText(const String& rText)
{
    QSignalBlocker block(Spin(this));
    Spin(this)->setValue(static_cast<int>(rText.ToLong()));
    Window::SetText(GetText());
}

String SpinField::GetText() const { return svqt::FromQ(Spin(this)->cleanText()); }

NumericField::NumericField(Window* pParent, WinBits nStyle) : SpinField(pParent, MakeSpin(), nStyle) {}

NumericField::NumericField(Window* pParent, const ResId& rResId) : SpinField(pParent, MakeSpin(), 0)
{
    if (const ResEntry* e = ResMgr::Get()->Find(RSC_NUMERICFIELD, rResId.GetId())) {
        if (e->nMin < e->nMax) {
            SetMin(e->nMin);
            SetMax(e->nMax);
        }
        ApplyResource(*e);
    }
}

NumericField::NumericField(const NumericField& r) : SpinField(r) {}

NumericField& NumericField::operator=(const NumericField& r)
{
    SpinField::operator=(r);
    return *this;
}

void NumericField::SetMin(long n) { Spin(this)->setMinimum(static_cast<int>(n)); }
void NumericField::SetMax(long n) { Spin(this)->setMaximum(static_cast<int>(n)); }
long NumericField::GetMin() const { return Spin(this)->minimum(); }
long NumericField::GetMax() const { return Spin(this)->maximum(); }

void NumericField::SetValue(long n)
{
    QSignalBlocker block(Spin(this));
    Spin(this)->setValue(static_cast<int>(n));
}

long NumericField::GetValue() const { return Spin(this)->value(); }
