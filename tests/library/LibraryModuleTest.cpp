// Loading the library announces it to the resource manager with its own
// resources: the averaging dialog and the controls of the condition panel.
#include "sv/ResMgr.hpp"

#include <gtest/gtest.h>

namespace {

TEST(LibraryModule, LoadingRegistersTheLibrarysResources)
{
    EXPECT_GE(ResMgr::GetAttachCount(), 1);
    const ResEntry* dialog = ResMgr::Get()->Find(RSC_MODALDIALOG, 517);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->aSize.Width(), 554);
    const ResEntry* list = ResMgr::Get()->Find(RSC_LISTBOX, 805);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->aPos.X(), 109);
    EXPECT_EQ(list->aPos.Y(), 25);
    const ResEntry* field = ResMgr::Get()->Find(RSC_NUMERICFIELD, 809);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->nMin, 30);
    EXPECT_EQ(field->nMax, 300);
}

} // namespace
