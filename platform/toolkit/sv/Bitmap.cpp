#include "sv/Bitmap.hpp"

#include "sv/ResMgr.hpp"

Bitmap::Bitmap(const ResId& rResId)
{
    if (const ResEntry* e = ResMgr::Get()->Find(RSC_BITMAP, rResId.GetId()))
        maImage = e->aBitmap.GetImage();
}
