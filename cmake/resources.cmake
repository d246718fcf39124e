# The module's icons: resources/icons/<id>.bmp or <id>.kai, resource type 4192.
# On Windows they go into the image as resources (plugin/kafilters.rc); on
# Linux they are embedded here as data blocks listed in ka_resource_directory.
file(GLOB KAF_ICON_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/icons/*)
list(SORT KAF_ICON_FILES)
set(KAF_RESOURCE_SOURCES)
if(NOT WIN32)
  set(out ${CMAKE_BINARY_DIR}/generated/resource_directory.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DICONS="${KAF_ICON_FILES}" -P ${CMAKE_SOURCE_DIR}/cmake/embed_resources.cmake
    DEPENDS ${KAF_ICON_FILES} ${CMAKE_SOURCE_DIR}/cmake/embed_resources.cmake
    COMMENT "Embedding icon resources")
  set(KAF_RESOURCE_SOURCES ${out})
endif()
