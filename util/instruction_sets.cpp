#include "util/instruction_sets.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#define QVX_HAVE_CPUID 1
#endif

namespace {

constexpr std::size_t extension_count = static_cast<std::size_t>(instruction_set::avx512vbmi) + 1;

#if defined(QVX_HAVE_CPUID)

struct cpuid_registers {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
};

cpuid_registers cpuid(unsigned leaf, unsigned subleaf)
{
    cpuid_registers r;
    if (__get_cpuid_count(leaf, subleaf, &r.eax, &r.ebx, &r.ecx, &r.edx) == 0) return {};
    return r;
}

// The register state the system saves on a context switch (XCR0); without
// OSXSAVE, none beyond SSE.
std::uint64_t saved_register_state(const cpuid_registers& leaf1)
{
    if ((leaf1.ecx & (1u << 27)) == 0) return 0;
    unsigned low = 0, high = 0;
    // xgetbv with ECX = 0, written as its bytes so that no target switch is needed.
    asm volatile(".byte 0x0f, 0x01, 0xd0" : "=a"(low), "=d"(high) : "c"(0));
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

std::array<bool, extension_count> detect()
{
    std::array<bool, extension_count> has{};
    auto set = [&has](instruction_set e, bool value) { has[static_cast<std::size_t>(e)] = value; };
    const unsigned max_leaf = cpuid(0, 0).eax;
    const cpuid_registers leaf1 = cpuid(1, 0);
    const cpuid_registers leaf7 = max_leaf >= 7 ? cpuid(7, 0) : cpuid_registers{};
    const cpuid_registers extended = cpuid(0x80000001u, 0);
    const std::uint64_t state = saved_register_state(leaf1);
    // XMM and YMM state; then opmask, upper ZMM 0–15 and ZMM 16–31.
    const bool ymm_saved = (state & 0x06) == 0x06;
    const bool zmm_saved = ymm_saved && (state & 0xE0) == 0xE0;

    set(instruction_set::popcnt, (leaf1.ecx & (1u << 23)) != 0);
    set(instruction_set::lzcnt, (extended.ecx & (1u << 5)) != 0);
    set(instruction_set::bmi1, (leaf7.ebx & (1u << 3)) != 0);
    set(instruction_set::bmi2, (leaf7.ebx & (1u << 8)) != 0);
    set(instruction_set::avx, ymm_saved && (leaf1.ecx & (1u << 28)) != 0);
    set(instruction_set::fma, ymm_saved && (leaf1.ecx & (1u << 12)) != 0);
    set(instruction_set::avx2, ymm_saved && (leaf7.ebx & (1u << 5)) != 0);
    set(instruction_set::avx512f, zmm_saved && (leaf7.ebx & (1u << 16)) != 0);
    set(instruction_set::avx512dq, zmm_saved && (leaf7.ebx & (1u << 17)) != 0);
    set(instruction_set::avx512bw, zmm_saved && (leaf7.ebx & (1u << 30)) != 0);
    set(instruction_set::avx512vl, zmm_saved && (leaf7.ebx & (1u << 31)) != 0);
    set(instruction_set::avx512vbmi, zmm_saved && (leaf7.ecx & (1u << 1)) != 0);
    return has;
}

#else

std::array<bool, extension_count> detect() { return {}; }

#endif

} // namespace

instruction_set_level level_of(instruction_set extension)
{
    return extension >= instruction_set::avx512f ? instruction_set_level::avx512 : instruction_set_level::avx2;
}

std::optional<instruction_set_level> parse_instruction_set_level(std::string_view name)
{
    if (name == "avx512") return instruction_set_level::avx512;
    if (name == "avx2") return instruction_set_level::avx2;
    if (name == "baseline") return instruction_set_level::baseline;
    return std::nullopt;
}

bool processor_supports(instruction_set extension)
{
    static const std::array<bool, extension_count> supported = detect();
    return supported[static_cast<std::size_t>(extension)];
}

instruction_set_level instruction_set_cap()
{
    static const instruction_set_level cap = [] {
        const char* const value = std::getenv("QVX_CPU");
        return parse_instruction_set_level(value != nullptr ? value : "").value_or(instruction_set_level::avx512);
    }();
    return cap;
}

bool kernel_may_use(std::initializer_list<instruction_set> extensions)
{
    for (const instruction_set e : extensions) {
        if (!processor_supports(e) || level_of(e) > instruction_set_cap()) return false;
    }
    return true;
}
