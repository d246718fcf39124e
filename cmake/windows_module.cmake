# The Windows side of the build: kafilters.dll with its export table and
# resources, and ka_iproc.dll under the name the module imports from.
enable_language(RC)

# The module imports the host library's functions from "ka_iproc.dll"
# (import library lib/libka_iproc.dll.a). The stand-in also serves its C++
# host API to the tool and the tests, so all its own symbols are exported
# (not those of the runtimes linked into it).
set_target_properties(ka_iproc PROPERTIES PREFIX "" IMPORT_PREFIX "lib")
target_link_options(ka_iproc PRIVATE -Wl,--export-all-symbols -Wl,--exclude-libs,ALL)

# Exports come from the .def file of the architecture alone: the nine entry
# points and the two scanners under their Microsoft-decorated names.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(KAF_MODULE_DEF ${CMAKE_SOURCE_DIR}/plugin/kafilters32.def)
else()
  set(KAF_MODULE_DEF ${CMAKE_SOURCE_DIR}/plugin/kafilters64.def)
endif()
target_sources(kafilters_module PRIVATE ${KAF_MODULE_DEF} ${CMAKE_SOURCE_DIR}/plugin/kafilters.rc)
set_property(SOURCE ${CMAKE_SOURCE_DIR}/plugin/kafilters.rc APPEND PROPERTY OBJECT_DEPENDS ${KAF_ICON_FILES})
target_include_directories(kafilters_module PRIVATE ${CMAKE_SOURCE_DIR})
target_link_options(kafilters_module PRIVATE -Wl,--no-undefined)
set_target_properties(kafilters_module PROPERTIES LINK_DEPENDS ${KAF_MODULE_DEF})
