#include "qelvxn/library/ModalDialogMEHRFACHMESSUNG.hpp"

#include "sv/ResMgr.hpp"

namespace {
// Resource ids of the controls inside dialog 517.
constexpr unsigned short RID_COUNTER = 2;
constexpr unsigned short RID_BUTTON_PLACE = 2;
constexpr unsigned short RID_SWATCH_1 = 10;
constexpr unsigned short RID_SWATCH_2 = 11;
constexpr unsigned short RID_HINT = 4;
} // namespace

ModalDialogMEHRFACHMESSUNG::ModalDialogMEHRFACHMESSUNG(Window* pParent, const ResId& rResId, unsigned char bPop)
    : ModalDialog(pParent, rResId),
      maCounter(this, ResId(RID_COUNTER)),
      maButtonPlace(this, ResId(RID_BUTTON_PLACE)),
      maSwatch1(this, ResId(RID_SWATCH_1)),
      maSwatch2(this, ResId(RID_SWATCH_2)),
      maHint(this, ResId(RID_HINT))
{
    if (bPop)
        Resource::GetResManager()->PopContext(this);
}

ModalDialogMEHRFACHMESSUNG::~ModalDialogMEHRFACHMESSUNG() = default;
