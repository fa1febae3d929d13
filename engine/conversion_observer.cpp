// The silent defaults of a conversion's observer (contract in conversion_observer.h).
#include "conversion_observer.h"

void ConversionObserver::FileStarted(const PathString&, uint64_t) {}
void ConversionObserver::ChunkDone(uint64_t) {}
void ConversionObserver::WrongPassword(const PathString&) {}
bool ConversionObserver::StopRequested() {
    return false;
}
