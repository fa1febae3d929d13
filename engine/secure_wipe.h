// Overwriting secrets (key bytes, password copies, plain data) so that the compiler cannot drop the
// stores: the one wipe of the product.
#pragma once

#include <cstddef>
#include <string>

void SecureWipe(void* data, size_t size);

// Every unit the string's storage holds, not only its present length (earlier, longer contents may
// stand beyond it), then empties it. The capacity stays, so the next text read into it lands in the same,
// already wiped, storage.
template <typename Char> void SecureWipe(std::basic_string<Char>& secret) {
    SecureWipe(secret.data(), secret.capacity() * sizeof(Char));
    secret.clear();
}
