// Which implementation runs the bulk work: CPU features detected once, the fastest supported path
// chosen from them, and the wipe of a context. Contract in aes.h.
#include <cstring>
#include <initializer_list>

#include "aes_internal.h"
#include "secure_wipe.h"

#if TOLVANE_AES_X86
#include <cpuid.h>
#endif

namespace {

using BulkFunction = void (*)(const AesContext*, const uint8_t*, uint8_t*, size_t);

struct CpuFeatures {
    bool aesNi = false;
    bool vaes256 = false;
    bool vaes512 = false;
};

#if TOLVANE_AES_X86
// CPUID leaf 7, ECX bit 9. Asked directly because not every compiler we build with knows "vaes" as a
// __builtin_cpu_supports name.
bool CpuHasVaesInstructions() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0) {
        return false;
    }
    return (ecx & (1u << 9)) != 0;
}
#endif

// The avx2 and avx512f probes also check that the operating system saves the wide registers.
CpuFeatures DetectCpuFeatures() {
    CpuFeatures features;
#if TOLVANE_AES_X86
    __builtin_cpu_init();
    features.aesNi = __builtin_cpu_supports("aes") && __builtin_cpu_supports("sse4.1");
    features.vaes256 = features.aesNi && __builtin_cpu_supports("avx2") && CpuHasVaesInstructions();
    features.vaes512 = features.vaes256 && __builtin_cpu_supports("avx512f");
#endif
    return features;
}

const CpuFeatures& Features() {
    static const CpuFeatures features = DetectCpuFeatures();
    return features;
}

void TableEncryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount) {
    for (size_t i = 0; i < blockCount; ++i) {
        AesEncryptBlock(context, in + 16 * i, out + 16 * i);
    }
}

void TableDecryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount) {
    for (size_t i = 0; i < blockCount; ++i) {
        AesDecryptBlock(context, in + 16 * i, out + 16 * i);
    }
}

struct BulkFunctions {
    BulkFunction encrypt;
    BulkFunction decrypt;
};

BulkFunctions FunctionsOf(AesImplementation implementation) {
    if (!AesImplementationSupported(implementation)) {
        return {TableEncryptBlocks, TableDecryptBlocks};
    }
    switch (implementation) {
#if TOLVANE_AES_X86
    case AesImplementation::AesNi:
        return {AesNiEncryptBlocks, AesNiDecryptBlocks};
    case AesImplementation::Vaes256:
        return {AesVaes256EncryptBlocks, AesVaes256DecryptBlocks};
    case AesImplementation::Vaes512:
        return {AesVaes512EncryptBlocks, AesVaes512DecryptBlocks};
#endif
    default:
        return {TableEncryptBlocks, TableDecryptBlocks};
    }
}

const BulkFunctions& SelectedFunctions() {
    static const BulkFunctions selected = FunctionsOf(AesSelectedImplementation());
    return selected;
}

} // namespace

bool AesImplementationSupported(AesImplementation implementation) {
    switch (implementation) {
    case AesImplementation::Table:
        return true;
    case AesImplementation::AesNi:
        return Features().aesNi;
    case AesImplementation::Vaes256:
        return Features().vaes256;
    case AesImplementation::Vaes512:
        return Features().vaes512;
    }
    return false;
}

AesImplementation AesSelectedImplementation() {
    static const AesImplementation selected = [] {
        for (AesImplementation candidate :
             {AesImplementation::Vaes512, AesImplementation::Vaes256, AesImplementation::AesNi}) {
            if (AesImplementationSupported(candidate)) {
                return candidate;
            }
        }
        return AesImplementation::Table;
    }();
    return selected;
}

const char* AesImplementationName(AesImplementation implementation) {
    switch (implementation) {
    case AesImplementation::Table:
        return "table";
    case AesImplementation::AesNi:
        return "aesni";
    case AesImplementation::Vaes256:
        return "vaes256";
    case AesImplementation::Vaes512:
        return "vaes512";
    }
    return "unknown";
}

void AesEncryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount) {
    SelectedFunctions().encrypt(context, in, out, blockCount);
}

void AesDecryptBlocks(const AesContext* context, const uint8_t* in, uint8_t* out, size_t blockCount) {
    SelectedFunctions().decrypt(context, in, out, blockCount);
}

void AesEncryptBlocksWith(AesImplementation implementation, const AesContext* context, const uint8_t* in, uint8_t* out,
                          size_t blockCount) {
    FunctionsOf(implementation).encrypt(context, in, out, blockCount);
}

void AesDecryptBlocksWith(AesImplementation implementation, const AesContext* context, const uint8_t* in, uint8_t* out,
                          size_t blockCount) {
    FunctionsOf(implementation).decrypt(context, in, out, blockCount);
}

void AesWipeContext(AesContext* context) {
    SecureWipe(context, sizeof *context);
}
