// How vxn-studio answers the library's questions: with the real Qt dialogs
// (QtResponder), the user at the screen. Against the virtual instrument
// nobody stands at the instrument to turn its filter wheel, so the program
// can play that part: before a box asks for a filter to be put in place,
// it tells the virtual instrument to put the wanted filter there; the user
// still sees the box and confirms it.
#pragma once

#include "sv/QtResponder.hpp"

#include <string>
#include <vector>

namespace studio {

class StudioResponder : public QtResponder {
public:
    // On: turn the virtual instrument's filter wheel when asked to.
    void SetOperator(bool bOn) { mbOperator = bOn; }
    bool IsOperator() const { return mbOperator; }
    // The filter the measurement under way asks for (0: none).
    void SetWantedFilter(int nFilter) { mnWantedFilter = nFilter; }

    // The texts of the boxes asked since the last call, oldest first (the
    // status line names the last one; tests read them).
    std::vector<std::string> TakeAsked() { return std::move(maAsked); }

    short AskBox(const BoxRequest& rBox) override;

private:
    bool mbOperator = false;
    int mnWantedFilter = 0;
    std::vector<std::string> maAsked;
};

} // namespace studio
