// libFuzzer entry point over the container reader (checks in container_reader_harness.cpp).
#include <cstddef>
#include <cstdint>

#include "container_reader_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return ReadContainerInput(data, size);
}
