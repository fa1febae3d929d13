// How a caller counts each outcome.
#include "convert_result.h"

OutcomeKind KindOfOutcome(ConvertOutcome outcome) {
    switch (outcome) {
    case ConvertOutcome::Converted:
        return OutcomeKind::Converted;
    case ConvertOutcome::SkippedEmpty:
    case ConvertOutcome::SkippedNotContainer:
    case ConvertOutcome::NotARegularFile:
        return OutcomeKind::Skipped;
    case ConvertOutcome::ConvertedSourceKept:
    case ConvertOutcome::ConvertedSourceMoved:
    case ConvertOutcome::WrongPassword:
    case ConvertOutcome::Damaged:
    case ConvertOutcome::BadPath:
    case ConvertOutcome::SourceUnreadable:
    case ConvertOutcome::SourceInUse:
    case ConvertOutcome::OutputFailed:
    case ConvertOutcome::OutOfMemory:
    case ConvertOutcome::Interrupted:
        return OutcomeKind::Failed;
    }
    return OutcomeKind::Failed;
}

bool ConvertedAtAll(ConvertOutcome outcome) {
    return outcome == ConvertOutcome::Converted || outcome == ConvertOutcome::ConvertedSourceKept ||
           outcome == ConvertOutcome::ConvertedSourceMoved;
}
