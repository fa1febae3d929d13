// The parts of the file layer that are the same on every platform: moving a temporary output, what the
// fault seam makes of a read or a write, and the checks before a source is deleted.
#include "file_io.h"

#include "fault_injection.h"

TempOutput::TempOutput(TempOutput&& other) noexcept
    : m_folder(other.m_folder), m_file(std::move(other.m_file)), m_name(std::move(other.m_name)), m_from(other.m_from),
      m_kind(other.m_kind), m_moved(other.m_moved) {
    other.m_moved = true;
}

std::optional<size_t> SeamReadLimit(size_t count) {
    switch (CheckFault(FileOp::Read)) {
    case FaultDecision::Fail:
        return std::nullopt;
    case FaultDecision::Short:
        return count > 1 ? count / 2 : count;
    case FaultDecision::Proceed:
        break;
    }
    return count;
}

std::optional<size_t> SeamWriteLimit(size_t size) {
    switch (CheckFault(FileOp::Write)) {
    case FaultDecision::Fail:
        return std::nullopt;
    case FaultDecision::Short:
        return size / 2;
    case FaultDecision::Proceed:
        break;
    }
    return size;
}

SourceRemoval DeleteIfSameFile(const HeldFolder& folder, PathView name, SourceFile& source, PathString* setAsideName) {
    if (source.identity().links > 1) {
        return SourceRemoval::OtherLinks;
    }
    if (source.OpenedForWriting()) {
        return SourceRemoval::InUse;
    }
    return RemoveIfStillTheSource(folder, name, source, setAsideName);
}
