// The container reader under fuzzing: in-memory parsing of the header, then the real DecryptFromContainer on a
// file, with the disk checked afterwards (see container_reader_harness.h).
#include "container_reader_harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "container.h"
#include "temp_files.h"
#include "container_layout.h"
#include "enc_names.h"
#include "file_key.h"
#include "temp_folder.h"
#include "test_files.h"

namespace {

[[noreturn]] void Broken(const std::string& what) {
    std::fprintf(stderr, "container reader check failed: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

void Check(bool holds, const std::string& what) {
    if (!holds) {
        Broken(what);
    }
}

// The private folder: root/ holds only work/, where the container is written and decrypted, so that an
// output that escaped its folder would show up in root/.
struct FuzzFolders {
    TempFolder root{"fuzz", FastTempBase()};
    std::string work = root / "work/";

    FuzzFolders() { Check(MakeFolder(work), "cannot make the work folder"); }
};

FuzzFolders& Folders() {
    static FuzzFolders folders;
    return folders;
}

void EmptyWork() {
    for (const std::string& name : ListNames(Folders().work)) {
        ::unlink((Folders().work + name).c_str());
    }
}

bool IsSeparator(Utf16Char unit, NameRules rules) {
    return unit == '/' || (rules == NameRules::Windows && unit == '\\');
}

// Whatever a container stores, the name it is restored under is one usable bare name in its folder.
void CheckRestoredName(const Utf16String& stored, NameRules rules) {
    const Utf16String name = SanitizeStoredName(stored, TOLVANE_UTF16_LITERAL("in.ENC"), rules);
    Check(!name.empty(), "sanitised name is empty");
    Check(name != TOLVANE_UTF16_LITERAL(".") && name != TOLVANE_UTF16_LITERAL(".."), "sanitised name is . or ..");
    for (const Utf16Char unit : name) {
        Check(unit != 0, "sanitised name holds a NUL");
        Check(!IsSeparator(unit, rules), "sanitised name holds a separator");
        if (rules == NameRules::Windows) {
            Check(unit >= 0x20 &&
                      std::u16string_view(u"<>:\"|?*").find(static_cast<char16_t>(unit)) == std::u16string_view::npos,
                  "sanitised name holds a character Windows forbids");
        }
    }
    if (rules == NameRules::Windows) {
        Check(name.back() != '.' && name.back() != ' ', "sanitised name ends in a dot or space");
    }
    const NameParts parts = RestoredNameParts(name);
    for (const unsigned attempt : {1u, 2u, 9999u}) {
        const Utf16String candidate = CandidateName(parts, attempt, rules);
        Check(!candidate.empty() && candidate.size() <= MAX_NAME_UNITS, "free name empty or too long");
        if (rules == NameRules::Posix) {
            const auto native = Utf16ToUtf8(candidate);
            Check(native && native->size() <= MAX_NAME_UNITS, "free name has no UTF-8 form or is too long");
        }
    }
}

} // namespace

std::vector<uint8_t> StoredContainerOf(const uint8_t* data, size_t size) {
    if (size == 0) {
        return {};
    }
    Bytes container(data + 1, data + size);
    if ((data[0] & kFuzzPlainImage) != 0) {
        const FileKey key(kFuzzPassword);
        size_t blocks = container.size() / ENC_BLOCK_SIZE;
        if ((data[0] & kFuzzLastBlockRaw) != 0 && blocks > ENC_HEADER_BLOCKS) {
            --blocks;
        }
        AesEncryptBlocks(key.context(), container.data(), container.data(), blocks);
    }
    return container;
}

int ReadContainerInput(const uint8_t* data, size_t size) {
    const Bytes container = StoredContainerOf(data, size);
    if (size == 0) {
        return 0;
    }
    const FileKey key(kFuzzPassword);

    // What the reader must conclude, worked out from the bytes alone.
    bool magic = false;
    bool consistent = false;
    uint64_t bodyLength = 0;
    Bytes plainBody;
    if (container.size() >= ENC_HEADER_SIZE) {
        EncHeader header;
        std::copy_n(container.begin(), ENC_HEADER_SIZE, header.begin());
        AesDecryptBlocks(key.context(), header.data(), header.data(), ENC_HEADER_BLOCKS);
        magic = HasHeaderMagic(header);
        bodyLength = container.size() - ENC_HEADER_SIZE;
        consistent = BodyIsConsistent(bodyLength, PadCountOf(header));
        const Utf16String stored = StoredNameOf(header);
        Check(stored.size() <= ENC_NAME_UNITS, "stored name longer than its field");
        CheckRestoredName(stored, NameRules::Posix);
        CheckRestoredName(stored, NameRules::Windows);
        if (consistent) {
            const bool rawZero =
                bodyLength >= ENC_BLOCK_SIZE &&
                std::all_of(container.end() - ENC_BLOCK_SIZE, container.end(), [](uint8_t byte) { return byte == 0; });
            Check(FillerLengthOnRead(bodyLength, PadCountOf(header), rawZero) <= std::min<uint64_t>(bodyLength, 16),
                  "filler longer than a block or the body");
            plainBody.assign(container.begin() + ENC_HEADER_SIZE, container.end());
            AesDecryptBlocks(key.context(), plainBody.data(), plainBody.data(), plainBody.size() / ENC_BLOCK_SIZE);
        }
    }

    FuzzFolders& folders = Folders();
    const std::string input = folders.work + "in.ENC";
    Check(WriteBytes(input, container), "cannot write the input file");
    const ConvertResult result = DecryptFromContainer(input.c_str(), kFuzzPassword);
    const std::vector<std::string> names = ListNames(folders.work);
    Check(NamesIn(folders.root.root()) == std::vector<std::string>{"work"}, "something was written outside the folder");

    switch (result.outcome) {
    case ConvertOutcome::Converted: {
        Check(container.size() >= ENC_HEADER_SIZE && magic && consistent, "a container the checks refuse was opened");
        Check(result.outputPath.rfind(folders.work, 0) == 0, "output outside the container's folder");
        const std::string outputName = result.outputPath.substr(folders.work.size());
        Check(names == std::vector<std::string>{outputName}, "folder holds more than the output");
        Check(!IsEngineTempName(outputName), "output under a temporary name");
        const Bytes output = ReadBytes(result.outputPath).value_or(Bytes{});
        Check(output.size() + 16 >= bodyLength && output.size() <= bodyLength, "output length out of range");
        Check(std::equal(output.begin(), output.end(), plainBody.begin()), "output is not the deciphered body");
        break;
    }
    case ConvertOutcome::SkippedEmpty:
        Check(container.empty(), "a container that is not empty was skipped as empty");
        Check(names == std::vector<std::string>{"in.ENC"}, "skipping changed the folder");
        break;
    case ConvertOutcome::WrongPassword:
        Check(container.size() >= ENC_HEADER_SIZE && !magic, "wrong password claimed for the right one");
        Check(names == std::vector<std::string>{"in.ENC"}, "a refused container left something behind");
        break;
    case ConvertOutcome::Damaged:
        Check(container.size() < ENC_HEADER_SIZE || (magic && !consistent), "a sound container called damaged");
        Check(names == std::vector<std::string>{"in.ENC"}, "a refused container left something behind");
        break;
    default:
        Broken("unexpected outcome " + std::to_string(static_cast<int>(result.outcome)));
    }
    if (result.outcome != ConvertOutcome::Converted) {
        Check(ReadBytes(input) == container, "a refused container was changed");
    }
    EmptyWork();
    return 0;
}
