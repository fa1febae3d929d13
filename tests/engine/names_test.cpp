// Names: the path functions, output names in both directions, free names instead of replacing, long
// names, hostile stored names, names that cannot be stored, and paths beyond 260 units.
#include <gtest/gtest.h>

#include "container.h"
#include "enc_names.h"
#include "engine_test_files.h"
#include "path_parts.h"

namespace {

using Names = std::vector<PathString>;

TEST(PathFunctions, BareNameAndUpperExtension) {
    struct Case {
        const PathChar* path;
        int bareResult;
        const PathChar* bare;
        int extensionResult;
        const PathChar* extension;
    };
    const Case cases[] = {
#ifdef _WIN32
        {L"D:\\docs\\report.final.doc", 1, L"report.final.doc", 1, L"DOC"},
        {L"D:\\my.dir\\README", 1, L"README", 0, L""},
        {L"D:\\docs\\", 1, L"", 0, L""},
        {L"D:/docs/x.enc", 1, L"x.enc", 1, L"ENC"},
        {L"\\x.enc", 0, L"", 1, L"ENC"},
        {L"x", 0, L"", 0, L""},
        {L"noslash.txt", 0, L"", 1, L"TXT"},
        {L"C:\\a\\b.\u00e9nc", 1, L"b.\u00e9nc", 1, L"\u00e9NC"},
#else
        {"/docs/report.final.doc", 1, "report.final.doc", 1, "DOC"},
        {"/my.dir/README", 1, "README", 0, ""},
        {"/docs/", 1, "", 0, ""},
        {"/x.enc", 1, "x.enc", 1, "ENC"},
        {"x", 0, "", 0, ""},
        {"noslash.txt", 0, "", 1, "TXT"},
        {"/a\\b.txt", 1, "a\\b.txt", 1, "TXT"},
#endif
        {P(".ENC"), 0, P(""), 0, P("")},
        {P(""), 0, P(""), 0, P("")},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(Printable(item.path));
        PathString bare;
        EXPECT_EQ(GetBareFileName(&bare, item.path), item.bareResult);
        if (item.bareResult == 1) {
            EXPECT_EQ(bare, item.bare);
        }
        PathString extension = P("junk");
        EXPECT_EQ(GetUpperExtension(item.path, &extension), item.extensionResult);
        EXPECT_EQ(extension, item.extension);
    }
    PathString out;
    EXPECT_EQ(GetBareFileName(nullptr, P("/a/b")), 0);
    EXPECT_EQ(GetBareFileName(&out, nullptr), 0);
    EXPECT_EQ(GetUpperExtension(nullptr, &out), 0);
    EXPECT_TRUE(IsContainerName(P("a/b.eNc")));
    EXPECT_FALSE(IsContainerName(P("a/b.ENC.bak")));
}

TEST(Names, OutputNamesAndTheirWayBack) {
    TempFolder folder;
    ASSERT_TRUE(MakeFolder(folder / P("my.dir")));
    struct Case {
        PathString plain;
        PathString container;
    };
    const Case cases[] = {
        {P("report.final.doc"), P("report.final_doc.ENC")},
        {P("README"), P("README.ENC")},
        {P("my.dir") + PathString(1, kPathSeparator) + P("README"),
         P("my.dir") + PathString(1, kPathSeparator) + P("README.ENC")},
        {P("\u4e2d\u6587 \u6587\u4ef6.txt"), P("\u4e2d\u6587 \u6587\u4ef6_txt.ENC")},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(Printable(item.plain));
        const Bytes plain = PatternBytes(77);
        ASSERT_TRUE(WriteBytes(folder / item.plain, plain));
        const ConvertResult encrypted = EncryptToContainer((folder / item.plain).c_str(), kTestPassword);
        ASSERT_EQ(encrypted.outcome, ConvertOutcome::Converted);
        EXPECT_EQ(encrypted.outputPath, folder / item.container);
        EXPECT_FALSE(FileExists(folder / item.plain));
        const ConvertResult decrypted = DecryptFromContainer((folder / item.container).c_str(), kTestPassword);
        ASSERT_EQ(decrypted.outcome, ConvertOutcome::Converted);
        EXPECT_EQ(decrypted.outputPath, folder / item.plain);
        EXPECT_EQ(ReadBytes(folder / item.plain), plain);
        EXPECT_FALSE(FileExists(folder / item.container));
    }
}

TEST(Names, RenamedContainerComesBackUnderItsStoredName) {
    for (const PathChar* renamed : {P("other name.enc"), P("x.EnC")}) {
        SCOPED_TRACE(Printable(renamed));
        TempFolder folder;
        const Bytes plain = PatternBytes(300);
        ASSERT_TRUE(WriteBytes(folder / P("notes.txt"), plain));
        ASSERT_EQ(EncryptOneFile((folder / P("notes.txt")).c_str(), kTestPassword), 1);
        const auto container = ReadBytes(folder / P("notes_txt.ENC"));
        ASSERT_TRUE(container);
        ASSERT_TRUE(WriteBytes(folder / renamed, *container));
        const ConvertResult decrypted = DecryptFromContainer((folder / renamed).c_str(), kTestPassword);
        ASSERT_EQ(decrypted.outcome, ConvertOutcome::Converted);
        EXPECT_EQ(decrypted.outputPath, folder / P("notes.txt"));
        EXPECT_EQ(ReadBytes(folder / P("notes.txt")), plain);
        EXPECT_EQ(ListNames(folder.path()), (Names{P("notes.txt"), P("notes_txt.ENC")}));
    }
}

TEST(Names, OnlyContainerExtensionsAreDecrypted) {
    TempFolder folder;
    struct AnyReport final : ConversionObserver {
        void FileStarted(const PathString&, uint64_t) override { ++calls; }
        void ChunkDone(uint64_t) override { ++calls; }
        int calls = 0;
    } reports;
    for (const PathChar* name : {P("a.ENC.bak"), P("a.ENCX"), P("aENC"), P("a.EN")}) {
        SCOPED_TRACE(Printable(name));
        ASSERT_TRUE(WriteBytes(folder / name, PatternBytes(600)));
        EXPECT_EQ(DecryptFromContainer((folder / name).c_str(), kTestPassword, &reports).outcome,
                  ConvertOutcome::SkippedNotContainer);
        EXPECT_EQ(DecryptOneFile((folder / name).c_str(), kTestPassword), 0);
    }
    EXPECT_EQ(reports.calls, 0);
    EXPECT_EQ(ListNames(folder.path()).size(), 4u);
}

TEST(Names, TakenNamesGetTheFirstFreeNumberInsteadOfBeingReplaced) {
    TempFolder folder;
    const Bytes plain = PatternBytes(50, 1);
    const Bytes unrelatedContainer = PatternBytes(60, 2);
    const Bytes unrelatedSecond = PatternBytes(70, 3);
    ASSERT_TRUE(WriteBytes(folder / P("a.txt"), plain));
    ASSERT_TRUE(WriteBytes(folder / P("a_txt.ENC"), unrelatedContainer));
    ASSERT_TRUE(WriteBytes(folder / P("a_txt (2).ENC"), unrelatedSecond));

    const ConvertResult encrypted = EncryptToContainer((folder / P("a.txt")).c_str(), kTestPassword);
    ASSERT_EQ(encrypted.outcome, ConvertOutcome::Converted);
    EXPECT_EQ(encrypted.outputPath, folder / P("a_txt (3).ENC"));
    EXPECT_EQ(ReadBytes(folder / P("a_txt.ENC")), unrelatedContainer);
    EXPECT_EQ(ReadBytes(folder / P("a_txt (2).ENC")), unrelatedSecond);

    // Back: "a.txt" and "a (2).txt" are taken by unrelated files now.
    const Bytes unrelatedPlain = PatternBytes(80, 4);
    ASSERT_TRUE(WriteBytes(folder / P("a.txt"), unrelatedPlain));
    ASSERT_TRUE(WriteBytes(folder / P("a (2).txt"), unrelatedPlain));
    const ConvertResult decrypted = DecryptFromContainer(encrypted.outputPath.c_str(), kTestPassword);
    ASSERT_EQ(decrypted.outcome, ConvertOutcome::Converted);
    EXPECT_EQ(decrypted.outputPath, folder / P("a (3).txt"));
    EXPECT_EQ(ReadBytes(folder / P("a (3).txt")), plain);
    EXPECT_EQ(ReadBytes(folder / P("a.txt")), unrelatedPlain);

    // No extension: the number goes at the end. A folder of that name counts as taken too.
    ASSERT_TRUE(WriteBytes(folder / P("Makefile"), plain));
    ASSERT_EQ(EncryptOneFile((folder / P("Makefile")).c_str(), kTestPassword), 1);
    ASSERT_TRUE(MakeFolder(folder / P("Makefile")));
    ASSERT_EQ(DecryptFromContainer((folder / P("Makefile.ENC")).c_str(), kTestPassword).outputPath,
              folder / P("Makefile (2)"));
}

TEST(Names, CandidateNamesStayWithin255Units) {
    const Utf16String longStem(300, 'a');
    for (NameRules rules : {NameRules::Posix, NameRules::Windows}) {
        const Utf16String first = CandidateName(NameParts{longStem, U(".ENC")}, 1, rules);
        EXPECT_EQ(first.size(), 255u);
        EXPECT_EQ(first.substr(251), U(".ENC"));
        const Utf16String tenth = CandidateName(NameParts{longStem, U(".ENC")}, 10, rules);
        EXPECT_EQ(tenth.size(), 255u);
        EXPECT_EQ(tenth.substr(246), U(" (10).ENC"));
        EXPECT_EQ(CandidateName(NameParts{U("a"), U(".txt")}, 2, rules), U("a (2).txt"));
    }
    // A character outside the BMP is never cut in half.
    Utf16String astral;
    for (int index = 0; index < 130; ++index) {
        astral += U("\U0001F600");
    }
    const Utf16String cut = CandidateName(NameParts{astral, U(".ENC")}, 1, NameRules::Windows);
    EXPECT_EQ(cut.size(), 254u);
    // POSIX names count UTF-8 bytes as well: 4 bytes each, 62 of them and ".ENC".
    EXPECT_EQ(CandidateName(NameParts{astral, U(".ENC")}, 1, NameRules::Posix).size(), 62u * 2 + 4);
    // Shortening must not make a device name or a trailing dot on Windows.
    EXPECT_EQ(CandidateName(NameParts{U("CON.") + Utf16String(260, 'x'), U("")}, 1, NameRules::Windows).size(), 255u);
    EXPECT_EQ(CandidateName(NameParts{U("a."), U("")}, 1, NameRules::Windows), U("a"));
}

TEST(Names, LongestNameRoundTrips) {
    TempFolder folder;
#ifdef _WIN32
    const PathString longName = PathString(250, L'n') + L".text";
#else
    const PathString longName = PathString(250, 'n') + ".text";
#endif
    const Bytes plain = PatternBytes(1234);
    ASSERT_TRUE(WriteBytes(folder / longName, plain));
    const ConvertResult encrypted = EncryptToContainer((folder / longName).c_str(), kTestPassword);
    ASSERT_EQ(encrypted.outcome, ConvertOutcome::Converted);
    PathString containerName;
    ASSERT_EQ(GetBareFileName(&containerName, encrypted.outputPath.c_str()), 1);
    EXPECT_EQ(containerName, PathString(250, 'n') + P("_.ENC"));
    ASSERT_EQ(DecryptOneFile(encrypted.outputPath.c_str(), kTestPassword), 1);
    EXPECT_EQ(ReadBytes(folder / longName), plain);

    // The container's name taken: the number still fits, the stem gives way.
    ASSERT_TRUE(WriteBytes(encrypted.outputPath, PatternBytes(5)));
    const ConvertResult again = EncryptToContainer((folder / longName).c_str(), kTestPassword);
    ASSERT_EQ(again.outcome, ConvertOutcome::Converted);
    ASSERT_EQ(GetBareFileName(&containerName, again.outputPath.c_str()), 1);
    EXPECT_EQ(containerName, PathString(247, 'n') + P(" (2).ENC"));
}

struct HostileCase {
    const Utf16Char* stored;
    const PathChar* posixName;
    const PathChar* windowsName;
};

Utf16String AsUtf16(const PathChar* text) {
    return *PathToUtf16(text);
}

TEST(Names, HostileStoredNamesStayInTheContainersFolder) {
    const HostileCase cases[] = {
        {U("../../escape.txt"), P(".._.._escape.txt"), P(".._.._escape.txt")},
        {U("..\\..\\escape.txt"), P(".._.._escape.txt"), P(".._.._escape.txt")},
        {U("/etc/passwd"), P("_etc_passwd"), P("_etc_passwd")},
        {U(".."), P("hostile"), P("hostile")},
        {U("."), P("hostile"), P("hostile")},
        {U(""), P("hostile"), P("hostile")},
        {U("C:\\Windows\\win.ini"), P("C:_Windows_win.ini"), P("C__Windows_win.ini")},
        {U("a<b>c:d\"e|f?g*h.txt"), P("a<b>c:d\"e|f?g*h.txt"), P("a_b_c_d_e_f_g_h.txt")},
        {U("file.txt:stream"), P("file.txt:stream"), P("file.txt_stream")},
        {U("tab\there\x01.txt"), P("tab\there\x01.txt"), P("tab_here_.txt")},
        {U("trailing. . ."), P("trailing. . ."), P("trailing")},
        {U("CON"), P("CON"), P("CON_")},
        {U("nul.txt"), P("nul.txt"), P("nul_.txt")},
        {U("COM1.tar.gz"), P("COM1.tar.gz"), P("COM1_.tar.gz")},
        {U("lpt9"), P("lpt9"), P("lpt9_")},
        {U("CONSOLE.txt"), P("CONSOLE.txt"), P("CONSOLE.txt")},
        {U(" . "), P(" . "), P("hostile")},
    };
    for (const HostileCase& item : cases) {
        const Utf16String stored = item.stored;
        SCOPED_TRACE(Printable(*Utf16ToPath(stored)));
        // The pure rule, for both platforms.
        EXPECT_EQ(SanitizeStoredName(stored, U("hostile.ENC"), NameRules::Posix), AsUtf16(item.posixName));
        EXPECT_EQ(SanitizeStoredName(stored, U("hostile.ENC"), NameRules::Windows), AsUtf16(item.windowsName));

        // And on this platform's disk, inside a subfolder, so an escape would show in the parent.
        TempFolder folder;
        const PathString inner = folder / P("inner");
        ASSERT_TRUE(MakeFolder(inner));
        const PathString innerFolder = inner + PathString(1, kPathSeparator);
        CraftedContainer container;
        container.storedName = stored;
        container.padCount = 11;
        container.body = PatternBytes(16);
        ASSERT_TRUE(WriteCraftedContainer(innerFolder + P("hostile.ENC"), container));
        const ConvertResult result = DecryptFromContainer((innerFolder + P("hostile.ENC")).c_str(), kTestPassword);
        ASSERT_EQ(result.outcome, ConvertOutcome::Converted);
#ifdef _WIN32
        const PathString expected = item.windowsName;
#else
        const PathString expected = item.posixName;
#endif
        EXPECT_EQ(result.outputPath, innerFolder + expected);
        EXPECT_EQ(ListNames(innerFolder), Names{expected});
        EXPECT_EQ(ListNames(folder.path()), Names{P("inner")});
        EXPECT_EQ(ReadBytes(result.outputPath)->size(), 5u);
    }
}

TEST(Names, NameFieldWithoutTerminatorIsCutAt256Units) {
    TempFolder folder;
    CraftedContainer container;
    container.storedName = Utf16String(256, 'q');
    container.terminateName = false;
    container.padCount = 1;
    container.body = PatternBytes(16);
    ASSERT_TRUE(WriteCraftedContainer(folder / P("full.ENC"), container));
    const ConvertResult result = DecryptFromContainer((folder / P("full.ENC")).c_str(), kTestPassword);
    ASSERT_EQ(result.outcome, ConvertOutcome::Converted);
    EXPECT_EQ(ListNames(folder.path()), Names{PathString(255, 'q')});
}

#ifndef _WIN32
TEST(Names, NamesThatAreNotUtf8AreRefused) {
    TempFolder folder;
    const PathString badName = "bad\xff\xfe.txt";
    const Bytes plain = PatternBytes(40);
    ASSERT_TRUE(WriteBytes(folder / badName, plain));
    EXPECT_EQ(EncryptToContainer((folder / badName).c_str(), kTestPassword).outcome, ConvertOutcome::BadPath);
    EXPECT_EQ(ListNames(folder.path()), Names{badName});
    EXPECT_EQ(ReadBytes(folder / badName), plain);

    // A stored name with an unpaired surrogate (possible on Windows) comes back with '_' in its place.
    CraftedContainer container;
    container.storedName = U("half");
    container.storedName.push_back(static_cast<Utf16Char>(0xD800));
    container.storedName += U(".txt");
    container.padCount = 12;
    container.body = PatternBytes(16);
    ASSERT_TRUE(WriteCraftedContainer(folder / "w.ENC", container));
    EXPECT_EQ(DecryptFromContainer((folder / "w.ENC").c_str(), kTestPassword).outputPath, folder / "half_.txt");
}
#endif

TEST(Names, PathsLongerThan260UnitsWork) {
    TempFolder folder;
    PathString deep = folder.path();
    for (int level = 0; level < 6; ++level) {
        deep += PathString(60, static_cast<PathChar>('d' + level));
        ASSERT_TRUE(MakeFolder(deep));
        deep += kPathSeparator;
    }
    ASSERT_GT(deep.size(), 370u);
    const Bytes plain = PatternBytes(5000);
    ASSERT_TRUE(WriteBytes(deep + P("deep file.txt"), plain));
    const ConvertResult encrypted = EncryptToContainer((deep + P("deep file.txt")).c_str(), kTestPassword);
    ASSERT_EQ(encrypted.outcome, ConvertOutcome::Converted);
    EXPECT_EQ(encrypted.outputPath, deep + P("deep file_txt.ENC"));
    const ConvertResult decrypted = DecryptFromContainer(encrypted.outputPath.c_str(), kTestPassword);
    ASSERT_EQ(decrypted.outcome, ConvertOutcome::Converted);
    EXPECT_EQ(ReadBytes(deep + P("deep file.txt")), plain);
    EXPECT_EQ(ListNames(deep), Names{P("deep file.txt")});
}

#ifdef _WIN32
// Paths that need parsing (forward slashes, "..") reach the same files in the long-path form.
TEST(Names, PathFormsThatNeedParsing) {
    TempFolder folder;
    ASSERT_TRUE(MakeFolder(folder / L"sub"));
    const Bytes plain = PatternBytes(321);
    ASSERT_TRUE(WriteBytes(folder / L"f.txt", plain));
    PathString slashed = folder / L"sub/../f.txt";
    const ConvertResult encrypted = EncryptToContainer(slashed.c_str(), kTestPassword);
    ASSERT_EQ(encrypted.outcome, ConvertOutcome::Converted);
    EXPECT_EQ(ListNames(folder.path()), (Names{L"f_txt.ENC", L"sub"}));
    PathString forward = folder.path();
    for (auto& unit : forward) {
        unit = unit == L'\\' ? L'/' : unit;
    }
    ASSERT_EQ(DecryptFromContainer((forward + L"f_txt.ENC").c_str(), kTestPassword).outcome, ConvertOutcome::Converted);
    EXPECT_EQ(ReadBytes(folder / L"f.txt"), plain);
}
#endif

} // namespace
