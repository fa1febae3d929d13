// Engine temporary files: their names, and the removal of leftovers only when nobody holds them.
#include <gtest/gtest.h>

#include "engine_test_files.h"
#include "file_io.h"

namespace {

TEST(TempFiles, NamesAreRecognisedAndNeverContainers) {
    EXPECT_TRUE(IsEngineTempName(P(".tolvane-0123456789abcdef.tmp")));
    EXPECT_TRUE(IsEngineTempName(P(".TOLVANE-0123456789ABCDEF.TMP")));
    for (const PathChar* name :
         {P(".tolvane-0123456789abcde.tmp"), P(".tolvane-0123456789abcdefg.tmp"), P(".tolvane-0123456789abcdeg.tmp"),
          P("tolvane-0123456789abcdef.tmp"), P(".tolvane-0123456789abcdef.ENC"), P("report.tmp"), P("")}) {
        EXPECT_FALSE(IsEngineTempName(name)) << Printable(name);
    }
}

TEST(TempFiles, OnlyUnheldLeftoversAreRemoved) {
    TempFolder folder;
    const FileIdentity permissions{0, 0, 0, 0, 0600};
    auto held = TempOutput::Create(folder.path(), permissions);
    ASSERT_TRUE(held);
    PathString heldName;
    ASSERT_EQ(GetBareFileName(&heldName, held->path().c_str()), 1);
    EXPECT_TRUE(IsEngineTempName(heldName));
    EXPECT_FALSE(IsContainerName(held->path()));
    EXPECT_FALSE(RemoveStaleTempFile(held->path().c_str()));
    EXPECT_TRUE(FileExists(held->path()));

    // A leftover of a killed run: nobody holds it.
    const PathString leftover = folder / P(".tolvane-00000000deadbeef.tmp");
    ASSERT_TRUE(WriteBytes(leftover, PatternBytes(10)));
    EXPECT_TRUE(RemoveStaleTempFile(leftover.c_str()));
    EXPECT_FALSE(FileExists(leftover));

    // Anything else is never touched, held or not.
    ASSERT_TRUE(WriteBytes(folder / P("user.tmp"), PatternBytes(10)));
    EXPECT_FALSE(RemoveStaleTempFile((folder / P("user.tmp")).c_str()));
    EXPECT_FALSE(RemoveStaleTempFile(nullptr));
    EXPECT_TRUE(FileExists(folder / P("user.tmp")));

    const PathString heldPath = held->path();
    held.reset();
    EXPECT_FALSE(FileExists(heldPath));
    EXPECT_EQ(ListNames(folder.path()), std::vector<PathString>{P("user.tmp")});
}

} // namespace
