// Overwriting secrets so that the compiler cannot drop the stores.
#include "secure_wipe.h"

#include <cstring>

void SecureWipe(void* data, size_t size) {
    if (data == nullptr || size == 0) {
        return;
    }
    std::memset(data, 0, size);
    // The empty asm that may read the memory keeps the memset from being removed as a dead store.
    __asm__ __volatile__("" : : "r"(data) : "memory");
}
