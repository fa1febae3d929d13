// Overwriting secrets (key bytes, password copies, plain data) so that the compiler cannot drop the stores.
#pragma once

#include <cstddef>

void SecureWipe(void* data, size_t size);
