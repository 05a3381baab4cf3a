#include "vrbaseio_text/kernels/ascii_kernels.h"

namespace vrb::ascii {

const Kernels& bestKernels() noexcept {
#ifdef VRB_ASCII_X86_KERNELS
    return canRun(kAvx2Kernels) ? kAvx2Kernels : kSse2Kernels;
#else
    return kScalarKernels;
#endif
}

bool canRun(const Kernels& kernels) noexcept {
#ifdef VRB_ASCII_X86_KERNELS
    __builtin_cpu_init();
    if (&kernels == &kAvx2Kernels) return __builtin_cpu_supports("avx2");
#endif
    (void)kernels;
    return true;
}

std::span<const Kernels* const> allKernels() noexcept {
#ifdef VRB_ASCII_X86_KERNELS
    static constexpr const Kernels* kAll[] = {&kScalarKernels, &kSse2Kernels, &kAvx2Kernels};
#else
    static constexpr const Kernels* kAll[] = {&kScalarKernels};
#endif
    return kAll;
}

}  // namespace vrb::ascii
