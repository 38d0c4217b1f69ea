#include "sv/DragServer.hpp"

#include <vector>

namespace {
std::vector<String>& Items()
{
    static std::vector<String> v;
    return v;
}
} // namespace

void DragServer::Clear() { Items().clear(); }
void DragServer::CopyString(const String& rText) { Items().push_back(rText); }
String DragServer::PasteString(unsigned short nItem) { return nItem < Items().size() ? Items()[nItem] : String(); }
unsigned short DragServer::GetItemCount() { return static_cast<unsigned short>(Items().size()); }
bool DragServer::HasString(unsigned short nItem) { return nItem < Items().size(); }
