# libFuzzer targets (configured by cmake/sanitizers.cmake with -DKAF_FUZZ=ON):
#   fuzz_run_method     RunMethod and the enumeration exports against a host
#                       that hands out any frame, number or array
#   fuzz_scanners       both line scanners on any bitmap, segment and mode
#   fuzz_image_readers  the tool's BMP, PNG, PNM and JPEG decoders
# Each starts from its checked-in corpus in corpus/<target>/; .ci/hardening.sh
# runs each for a fixed time.
foreach(target run_method scanners)
  add_executable(fuzz_${target} ${CMAKE_CURRENT_LIST_DIR}/${target}_fuzzer.cpp)
  target_link_libraries(fuzz_${target} PRIVATE kafilters_core ka_iproc)
  target_link_options(fuzz_${target} PRIVATE -fsanitize=fuzzer)
endforeach()

add_executable(fuzz_image_readers ${CMAKE_CURRENT_LIST_DIR}/image_readers_fuzzer.cpp)
target_link_libraries(fuzz_image_readers PRIVATE kaf_image_io)
target_link_options(fuzz_image_readers PRIVATE -fsanitize=fuzzer)

foreach(target run_method scanners image_readers)
  set_target_properties(fuzz_${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endforeach()
add_custom_target(fuzz_targets DEPENDS fuzz_run_method fuzz_scanners fuzz_image_readers)
