// The system's folders on POSIX, laid out below a test root: a path that is one, lies inside one of the
// system's, or holds a home folder is found, by identity; a user's own folders are not.
#include <gtest/gtest.h>

#include "engine_test_files.h"
#include "system_folders.h"

namespace {

TEST(SystemFolders, APathIsTouchingWhenItIsLiesInsideOrHoldsOne) {
    TempFolder root;
    for (const PathChar* folder : {P("bin"), P("usr/lib"), P("lib64"), P("home/me/Documents"), P("srv")}) {
        ASSERT_TRUE(MakeFolder(root / folder));
    }
    const PathString home = root / P("home/me");
    const std::vector<SystemFolder> folders = PosixSystemFolders(root.path(), {home});
    struct Row {
        const PathChar* path;
        const PathChar* touched; // nullptr: none
        bool home;
    };
    const Row rows[] = {
        {P("usr"), P("usr"), false},        {P("usr/lib"), P("usr"), false},   {P("lib64"), P("lib64"), false},
        {P("home/me"), P("home/me"), true}, {P("home"), P("home/me"), true},   {P("home/me/Documents"), nullptr, false},
        {P("srv"), nullptr, false},         {P("usr/../srv"), nullptr, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Printable(row.path));
        const auto touched = SystemFolderTouchedBy(root / row.path, folders);
        ASSERT_EQ(touched.has_value(), row.touched != nullptr);
        if (touched) {
            EXPECT_EQ(touched->path, root / row.touched);
            EXPECT_EQ(touched->home, row.home);
        }
    }
    // The root itself is one of them.
    const auto top = SystemFolderTouchedBy(root.path(), folders);
    ASSERT_TRUE(top);
    EXPECT_EQ(top->path, root.path());
}

} // namespace
