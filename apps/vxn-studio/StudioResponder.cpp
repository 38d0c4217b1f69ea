#include "StudioResponder.hpp"

#include "qel/PostOffice.hpp"

namespace studio {

short StudioResponder::AskBox(const BoxRequest& rBox)
{
    maAsked.push_back(rBox.aText.str());
    // The filter wait is the warning with OK and Cancel (see
    // VXNLib::WaitFilterrad); answering it means the filter is in place.
    if (mbOperator && mnWantedFilter > 0 && rBox.eKind == MESSBOX_WARNING && rBox.nStyle == WB_OK_CANCEL) {
        String answer;
        PostOffice::Instance()->Control(String("filter " + std::to_string(mnWantedFilter)), answer);
    }
    return QtResponder::AskBox(rBox);
}

} // namespace studio
