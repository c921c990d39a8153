// Which instruction sets the component's kernels may use: what the processor and
// the system support, capped by the QVX_CPU environment variable ("avx512",
// "avx2" or "baseline"; unset or unknown means no cap). Both are read once per
// process, on first use, so every object of a process picks the same forms.
#pragma once

#include <initializer_list>
#include <optional>
#include <string_view>

// Ordered: each level includes the ones before it.
enum class instruction_set_level { baseline, avx2, avx512 };

// Instruction-set extensions, one per kernel requirement; a kernel lists every
// extension it is compiled for and runs only when all of them are usable.
enum class instruction_set {
    popcnt,
    lzcnt,
    bmi1,
    bmi2,
    fma,
    avx,
    avx2,
    avx512f,
    avx512bw,
    avx512dq,
    avx512vl,
    avx512vbmi,
};

// The level an extension belongs to for QVX_CPU: popcnt … avx2 are avx2's.
instruction_set_level level_of(instruction_set extension);

// "avx512", "avx2" or "baseline"; nullopt for anything else.
std::optional<instruction_set_level> parse_instruction_set_level(std::string_view name);

// True when the processor has the extension and the system saves its registers.
// Any thread; decided once.
bool processor_supports(instruction_set extension);

// The cap QVX_CPU sets (avx512 when unset or unknown). Any thread; read once.
instruction_set_level instruction_set_cap();

// True when every listed extension is supported and within the cap. Any thread.
bool kernel_may_use(std::initializer_list<instruction_set> extensions);
