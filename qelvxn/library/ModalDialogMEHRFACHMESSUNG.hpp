// ModalDialogMEHRFACHMESSUNG: the controls of the averaging dialog as the
// library's dialog resource 517 lays them out. InfoMehrfachmessung gives
// them their behaviour; this class only builds them, in resource order.
#pragma once

#include "sv/FixedBitmap.hpp"
#include "sv/FixedText.hpp"
#include "sv/ModalDialog.hpp"
#include "sv/PushButton.hpp"

class ModalDialogMEHRFACHMESSUNG : public ModalDialog {
public:
    static constexpr unsigned short RID_DIALOG = 517;

    // Builds the dialog and its controls from the resource; with bPop the
    // resource context opened for the controls is closed afterwards.
    ModalDialogMEHRFACHMESSUNG(Window* pParent, const ResId& rResId, unsigned char bPop);
    ~ModalDialogMEHRFACHMESSUNG() override;

protected:
    FixedText maCounter;     // "measurement k of N"
    PushButton maButtonPlace; // marks where the button bar goes; hidden
    FixedBitmap maSwatch1;   // the latest single measurement
    FixedBitmap maSwatch2;   // the running mean
    FixedText maHint;        // measuring is triggered at the instrument
};
