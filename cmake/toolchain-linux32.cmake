# The 32-bit x86 Linux build (make linux32): the same code generation as the
# 32-bit Windows DLL, run natively with the distribution's g++-multilib.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

# Where the kernel does not run 32-bit executables (some sandboxes refuse
# them), the tests and the tool run under QEMU's user-mode emulator, which
# executes SSE2 and AVX2 with exact IEEE single precision.
execute_process(COMMAND /lib/ld-linux.so.2 --version RESULT_VARIABLE KAF_NATIVE_32 OUTPUT_QUIET ERROR_QUIET)
if(NOT KAF_NATIVE_32 EQUAL 0)
  find_program(KAF_QEMU_I386 qemu-i386)
  if(NOT KAF_QEMU_I386)
    message(FATAL_ERROR "this machine cannot run 32-bit executables: install qemu-user (qemu-i386)")
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KAF_QEMU_I386} -L /)
endif()
