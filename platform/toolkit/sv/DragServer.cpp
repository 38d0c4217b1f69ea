#include "sv/DragServer.hpp"

#include <utility>
#include <vector>

namespace {
std::vector<String>& Items()
{
    static std::vector<String> v;
    return v;
}
std::vector<std::pair<String, String>>& Data()
{
    static std::vector<std::pair<String, String>> v;
    return v;
}
} // namespace

void DragServer::Clear()
{
    Items().clear();
    Data().clear();
}
void DragServer::CopyString(const String& rText) { Items().push_back(rText); }
String DragServer::PasteString(unsigned short nItem) { return nItem < Items().size() ? Items()[nItem] : String(); }
unsigned short DragServer::GetItemCount() { return static_cast<unsigned short>(Items().size()); }
bool DragServer::HasString(unsigned short nItem) { return nItem < Items().size(); }

void DragServer::CopyData(const String& rFormat, const String& rData)
{
    for (auto& [format, data] : Data())
        if (format == rFormat) {
            data = rData;
            return;
        }
    Data().emplace_back(rFormat, rData);
}

String DragServer::PasteData(const String& rFormat)
{
    for (const auto& [format, data] : Data())
        if (format == rFormat)
            return data;
    return String();
}

bool DragServer::HasData(const String& rFormat)
{
    for (const auto& item : Data())
        if (item.first == rFormat)
            return true;
    return false;
}

std::vector<String> DragServer::GetDataFormats()
{
    std::vector<String> v;
    for (const auto& item : Data())
        v.push_back(item.first);
    return v;
}
