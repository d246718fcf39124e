# Sanitizer and fuzzing builds (Linux, GCC or Clang).
#
#   -DKAF_SANITIZE=address  AddressSanitizer with LeakSanitizer, and
#                           UndefinedBehaviorSanitizer (float-to-int overflow
#                           included); every report stops the program.
#   -DKAF_SANITIZE=thread   ThreadSanitizer. OpenMP's own runtime is not
#                           instrumented, so the race tests run with one
#                           OpenMP thread while the host threads vary.
#   -DKAF_FUZZ=ON           Clang only: everything instrumented for libFuzzer
#                           with ASan and UBSan, and the fuzz targets of fuzz/
#                           (build them by name: the shared module itself does
#                           not link with Clang's static sanitizer runtime).
#
# The flags go to every target of the build, the host library and the tool
# included, so a fault is caught wherever it happens. Run-time options and
# suppressions: .ci/hardening.sh and the files next to this one.
set(KAF_SANITIZE "" CACHE STRING "Sanitizer build: empty, address or thread")
set_property(CACHE KAF_SANITIZE PROPERTY STRINGS "" address thread)
option(KAF_FUZZ "Build the libFuzzer targets of fuzz/ (Clang)" OFF)

set(KAF_SANITIZER_FLAGS)
if(KAF_SANITIZE STREQUAL "address")
  list(APPEND KAF_SANITIZER_FLAGS -fsanitize=address,undefined,float-cast-overflow)
elseif(KAF_SANITIZE STREQUAL "thread")
  list(APPEND KAF_SANITIZER_FLAGS -fsanitize=thread)
elseif(NOT KAF_SANITIZE STREQUAL "")
  message(FATAL_ERROR "KAF_SANITIZE must be empty, address or thread, not '${KAF_SANITIZE}'")
endif()

if(KAF_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KAF_FUZZ needs Clang (libFuzzer): configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  list(APPEND KAF_SANITIZER_FLAGS -fsanitize=fuzzer-no-link,address,undefined,float-cast-overflow)
endif()

if(KAF_SANITIZER_FLAGS)
  # Line tables are all a report's stack trace needs, and build much faster
  # than full debug information.
  list(APPEND KAF_SANITIZER_FLAGS -fno-sanitize-recover=all -fno-omit-frame-pointer -g1)
  add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:${KAF_SANITIZER_FLAGS}>")
  add_link_options(${KAF_SANITIZER_FLAGS})
endif()

if(KAF_FUZZ)
  # The fuzz targets link the module's static library and the tool's image
  # library, both defined further down the top-level file.
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL include ${CMAKE_SOURCE_DIR}/fuzz/targets.cmake)
endif()
