// Engine temporary outputs: their names, and that an unfinished one leaves nothing behind.
#include <gtest/gtest.h>

#include "engine_test_files.h"
#include "fault_injection.h"
#include "file_io.h"
#include "temp_files.h"

namespace {

using Names = std::vector<PathString>;

TEST(TempFiles, NamesAreRecognisedAndNeverContainers) {
    EXPECT_TRUE(IsEngineTempName(P(".tolvane-0123456789abcdef.tmp")));
    EXPECT_TRUE(IsEngineTempName(P(".TOLVANE-0123456789ABCDEF.TMP")));
    for (const PathChar* name :
         {P(".tolvane-0123456789abcde.tmp"), P(".tolvane-0123456789abcdefg.tmp"), P(".tolvane-0123456789abcdeg.tmp"),
          P("tolvane-0123456789abcdef.tmp"), P(".tolvane-0123456789abcdef.ENC"), P("report.tmp"), P("")}) {
        EXPECT_FALSE(IsEngineTempName(name)) << Printable(name);
    }
}

// An output that is never moved into place leaves nothing behind, with a name or without one.
TEST(TempFiles, UnfinishedOutputsLeaveNothing) {
    for (const bool named : {false, true}) {
        TempFolder folder;
        ASSERT_TRUE(WriteBytes(folder / P("source"), PatternBytes(10)));
        const auto open = HeldFolder::Open(folder.path());
        ASSERT_TRUE(open);
        {
            FaultScope keepNames;
            PreferNamedTemporaries(named);
            OpenRefusal why = OpenRefusal::Unreadable;
            const auto source = SourceFile::Open(*open, P("source"), &why);
            ASSERT_TRUE(source);
            auto output = TempOutput::Create(*open, *source, OutputKind::Restored);
            ASSERT_TRUE(output);
            const Bytes bytes = PatternBytes(100);
            EXPECT_EQ(output->Write(bytes.data(), bytes.size()), bytes.size());
            const Names names = ListNames(folder.path());
#ifdef __linux__
            const bool visible = named; // Linux writes it without a name unless asked
#else
            const bool visible = true;
#endif
            ASSERT_EQ(names.size(), visible ? 2u : 1u);
            EXPECT_TRUE(!visible || IsEngineTempName(names[0]));
        }
        EXPECT_EQ(ListNames(folder.path()), Names{P("source")}) << (named ? "named" : "without a name");
    }
}

} // namespace
