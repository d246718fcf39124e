# Shared part of the MinGW-w64 cross toolchains: toolchain-win32.cmake and
# toolchain-win64.cmake set KAF_MINGW_TRIPLE and include this file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

# The posix thread model: its libstdc++ has std::thread and std::mutex; the
# winpthread library it needs is linked statically with the rest.
set(CMAKE_C_COMPILER ${KAF_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KAF_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KAF_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${KAF_MINGW_TRIPLE}-gcc-ar-posix)
set(CMAKE_RANLIB ${KAF_MINGW_TRIPLE}-gcc-ranlib-posix)

# M_PI and the other <cmath> constants, which glibc offers by default.
set(CMAKE_CXX_FLAGS_INIT "-D_USE_MATH_DEFINES")

set(CMAKE_FIND_ROOT_PATH /usr/${KAF_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test discovery and test runs go through Wine (64-bit images only).
find_program(KAF_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(KAF_WINE64 NAMES wine64 wine)
if(KAF_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KAF_WINE64})
endif()

# The compiler runtimes, OpenMP and winpthread go into every image, so that
# kafilters.dll depends on nothing but Windows system DLLs and ka_iproc.dll.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
# FindOpenMP would pick the import library libgomp.dll.a: name the archive.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgomp.a
                OUTPUT_VARIABLE KAF_MINGW_LIBGOMP OUTPUT_STRIP_TRAILING_WHITESPACE)
set(OpenMP_gomp_LIBRARY ${KAF_MINGW_LIBGOMP} CACHE FILEPATH "OpenMP runtime, linked statically")
