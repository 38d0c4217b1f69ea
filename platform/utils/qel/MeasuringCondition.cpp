#include "qel/MeasuringCondition.hpp"

String MeasuringCondition::GetText() const
{
    return maIllum.GetText() + "/" + maObserver.GetText() + " " + maPhys.GetFilter().GetText() + " " +
           maPhys.GetWBase().GetText();
}
