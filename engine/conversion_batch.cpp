// Finishing a batch of pending conversions of one folder (contract in conversion_batch.h): the outputs'
// data flushed together, each output moved to its free final name, the folder flushed once, then each
// source deleted through the identity checks of the file layer. A source goes only after its output's data
// and its name are on disk.
#include "conversion_batch.h"

#include "output_batch.h"
#include "system_error.h"

namespace {

// More attempts than any folder sensibly holds copies of one name.
constexpr unsigned kMaxNameAttempts = 9999;

ConvertResult OutputFailedWith(int systemError) {
    ConvertResult result;
    result.outcome = ConvertOutcome::OutputFailed;
    result.systemError = systemError;
    return result;
}

// Gives a file the first free name that tryName (a move that never replaces) takes, counting attempts from
// firstAttempt: 1 is the name itself, then " (2)", " (3)", ... A name taken by someone else in the meantime
// only moves on to the next. The full path of the name used, or nothing.
template <typename TryName>
std::optional<PathString> TakeFreeName(const HeldFolder& folder, const NameParts& parts, unsigned firstAttempt,
                                       TryName&& tryName) {
    for (unsigned attempt = firstAttempt; attempt <= kMaxNameAttempts; ++attempt) {
        const auto nativeName = Utf16ToPath(CandidateName(parts, attempt, kPlatformNameRules));
        if (!nativeName) {
            return std::nullopt;
        }
        switch (tryName(*nativeName)) {
        case MoveResult::Moved:
            return folder.ChildPath(*nativeName);
        case MoveResult::NameTaken:
            continue;
        case MoveResult::Failed:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// Moves the finished output to the first free name. Nothing that exists is ever replaced. Gives the full
// path of the name used in finalPath.
bool MoveToFreeName(TempOutput& output, const HeldFolder& folder, const NameParts& parts, PathString* finalPath) {
    auto used = TakeFreeName(folder, parts, 1, [&](const PathString& name) { return output.MoveTo(name); });
    if (used) {
        *finalPath = std::move(*used);
    }
    return used.has_value();
}

// A file that could not go back under its name after being set aside gets a visible free one beside it,
// " (2)" and on as for outputs, so that nobody has to look for it under the engine's private name.
PathString NameSetAsideFile(const HeldFolder& folder, PathView name, const PathString& aside) {
    if (const auto name16 = PathToUtf16(name)) {
        const auto moveAside = [&](const PathString& to) { return MoveEntry(folder, aside, to); };
        if (auto used = TakeFreeName(folder, RestoredNameParts(*name16), 2, moveAside)) {
            return std::move(*used);
        }
    }
    return folder.ChildPath(aside);
}

// The output stands complete under its final name. The source goes only when the new name is durable
// (nameError 0) and the source is still the file that was read, unchanged, under its name, with no other
// name that would keep it readable and nobody writing to it.
ConvertResult FinishWithSource(const HeldFolder& folder, PathView name, SourceFile& source, PathString finalPath,
                               int nameError) {
    ConvertResult result;
    result.outcome = ConvertOutcome::ConvertedSourceKept;
    result.outputPath = std::move(finalPath);
    if (nameError != 0) {
        result.systemError = nameError;
        return result;
    }
    ClearSystemError();
    PathString aside;
    const SourceRemoval removal = DeleteIfSameFile(folder, name, source, &aside);
    result.systemError = LastSystemError();
    switch (removal) {
    case SourceRemoval::Removed:
        result.outcome = ConvertOutcome::Converted;
        result.systemError = 0;
        break;
    case SourceRemoval::MovedAway:
        result.outcome = ConvertOutcome::ConvertedSourceMoved;
        result.movedSourceReadable = source.StillLinked();
        result.systemError = 0;
        break;
    case SourceRemoval::OtherLinks:
        result.otherLinks = source.identity().links > 1 ? source.identity().links - 1 : 1;
        result.systemError = 0;
        break;
    case SourceRemoval::SetAside:
        result.keptSourcePath = NameSetAsideFile(folder, name, aside);
        break;
    case SourceRemoval::InUse:
    case SourceRemoval::Kept:
        break;
    }
    return result;
}
} // namespace

bool ConversionBatch::Add(PendingConversion conversion) {
    if (!m_pending.empty() && &m_pending.front().folder() != &conversion.folder()) {
        return false;
    }
    m_bytesWritten += conversion.bytesWritten();
    m_pending.push_back(std::move(conversion));
    return true;
}

std::vector<ConvertResult> ConversionBatch::Finish() {
    std::vector<ConvertResult> results(m_pending.size());
    if (m_pending.empty()) {
        return results;
    }
    const HeldFolder& folder = m_pending.front().folder();

    // Data first: nothing gets a final name before its bytes are on disk.
    std::vector<TempOutput*> outputs;
    for (PendingConversion& conversion : m_pending) {
        outputs.push_back(&*conversion.m_output);
    }
    const std::vector<int> flushErrors = FlushOutputs(outputs);
    for (size_t index = 0; index < m_pending.size(); ++index) {
        if (flushErrors[index] != 0) {
            results[index] = OutputFailedWith(flushErrors[index]);
            m_pending[index].m_output.reset();
        }
    }

    // Then the names, each the first free one; then one flush of the folder for all of them.
    std::vector<TempOutput*> named;
    std::vector<size_t> namedIndex;
    for (size_t index = 0; index < m_pending.size(); ++index) {
        PendingConversion& conversion = m_pending[index];
        if (!conversion.m_output) {
            continue;
        }
        ClearSystemError();
        if (!MoveToFreeName(*conversion.m_output, folder, conversion.m_outputName, &results[index].outputPath)) {
            results[index] = OutputFailedWith(LastSystemError());
            conversion.m_output.reset();
            continue;
        }
        named.push_back(&*conversion.m_output);
        namedIndex.push_back(index);
    }
    const std::vector<int> syncErrors = SyncOutputNames(folder, named);

    // Only now may the sources go.
    for (size_t position = 0; position < namedIndex.size(); ++position) {
        const size_t index = namedIndex[position];
        PendingConversion& conversion = m_pending[index];
        results[index] = FinishWithSource(folder, conversion.sourceName(), *conversion.m_source,
                                          std::move(results[index].outputPath), syncErrors[position]);
    }
    m_pending.clear();
    m_bytesWritten = 0;
    return results;
}
