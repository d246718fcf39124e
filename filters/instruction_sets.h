// Compiling a region of a source for one instruction set, and asking the
// processor at run time whether it runs that set. A family of routines
// (rank kernels, convolution lanes, ...) compiles its source once per set
// between KAF_TARGET_BEGIN and KAF_TARGET_END, keeps the results in its own
// table and picks the widest set ProcessorRuns allows.
//
// GCC switches the target with push_options/target/pop_options; Clang has no
// such pragma and takes the target as an attribute pushed onto every
// function of the region. Both leave what precedes the region (the standard
// library, shared helpers) at the baseline, so nothing compiled for a wider
// set can stand in for a baseline function elsewhere.
#pragma once

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#define KAF_X86_SETS 1
#endif

#define KAF_PRAGMA(text) _Pragma(#text)
#if defined(__clang__)
#define KAF_TARGET_BEGIN(set) KAF_PRAGMA(clang attribute push(__attribute__((target(set))), apply_to = function))
#define KAF_TARGET_END() KAF_PRAGMA(clang attribute pop)
#else
#define KAF_TARGET_BEGIN(set) KAF_PRAGMA(GCC push_options) KAF_PRAGMA(GCC target(set))
#define KAF_TARGET_END() KAF_PRAGMA(GCC pop_options)
#endif

// The target strings the families compile for.
#define KAF_SET_AVX2 "avx2"
#define KAF_SET_AVX512 "avx512f,avx512bw,avx512vl,avx512dq"

namespace kaf_isa {

enum class InstructionSet { Baseline, Avx2, Avx512 };

// Whether this build has the set and the processor runs it.
inline bool ProcessorRuns(InstructionSet set) {
#if defined(KAF_X86_SETS)
    __builtin_cpu_init();
    switch (set) {
        case InstructionSet::Baseline:
            return true;
        case InstructionSet::Avx2:
            return __builtin_cpu_supports("avx2") != 0;
        case InstructionSet::Avx512:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                   __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq");
    }
    return false;
#else
    return set == InstructionSet::Baseline;
#endif
}

// Every set, widest first.
constexpr InstructionSet kSetsWidestFirst[] = {InstructionSet::Avx512, InstructionSet::Avx2,
                                               InstructionSet::Baseline};

// A family's table for the widest set that the processor runs and the
// build compiled (tableFor gives null for a set it did not); the baseline
// table is always there. tableFor is asked only for sets the processor
// runs, since a set's table may be made with that set's instructions.
template <class Table>
const Table& WidestTable(const Table* (*tableFor)(InstructionSet)) {
    for (InstructionSet set : kSetsWidestFirst) {
        if (!ProcessorRuns(set)) continue;
        if (const Table* table = tableFor(set)) return *table;
    }
    return *tableFor(InstructionSet::Baseline);
}

}  // namespace kaf_isa
