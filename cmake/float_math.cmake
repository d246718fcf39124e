# The floating-point flags of every build. Every output byte is defined by
# single-precision arithmetic in a fixed order: no contraction into FMA, no
# fast-math reassociation. On 32-bit x86 the compilers default to the x87
# unit, which keeps intermediate results in 80-bit registers and rounds them
# only where it spills, so float sums and quotients come out differently:
# there every float operation goes through SSE2 instead (the module needs a
# processor with SSE2). The Windows DLLs and the Linux -m32 build both take
# their flags from here.
set(KAF_FLOAT_FLAGS -ffp-contract=off -fno-fast-math)
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86|x86_64|AMD64)$")
  list(APPEND KAF_FLOAT_FLAGS -msse2 -mfpmath=sse)
endif()
add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:${KAF_FLOAT_FLAGS}>")
