# The Windows build's COM server inside BVLumora.dll: the type library compiled by widl from
# BVLumora.idl and embedded as resource TYPELIB 1, the automation objects of this folder, and
# the adapter between automation types and our values (lumora_automation, which the adapter's
# suite links too). Included by src/component/CMakeLists.txt.

# widl reads the system's IDL files and the OLE standard type library from Wine's packages.
find_path(LUMORA_WINE_IDL_DIR oaidl.idl PATHS /usr/include/wine/wine/windows
          /usr/include/wine/windows NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_path(LUMORA_STDOLE2_DIR stdole2.tlb PATHS /usr/lib/i386-linux-gnu/wine/i386-windows
          /usr/lib/wine/i386-windows NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_program(LUMORA_WIDL NAMES i686-w64-mingw32-widl widl)
if(NOT LUMORA_WINE_IDL_DIR OR NOT LUMORA_STDOLE2_DIR OR NOT LUMORA_WIDL)
  message(FATAL_ERROR "The COM server's type library needs widl (Debian package mingw-w64-tools), "
                      "oaidl.idl (libwine-dev) and stdole2.tlb (wine32:i386); ./setup installs them")
endif()

set(com_dir ${CMAKE_CURRENT_SOURCE_DIR}/com)
set(com_out ${CMAKE_CURRENT_BINARY_DIR}/com)
file(MAKE_DIRECTORY ${com_out})
add_custom_command(
  OUTPUT ${com_out}/BVLumoraTlb.h ${com_out}/BVLumora.tlb
  COMMAND ${LUMORA_WIDL} --win32 -I${LUMORA_WINE_IDL_DIR} -L${LUMORA_STDOLE2_DIR} -h
          -H ${com_out}/BVLumoraTlb.h -t -T ${com_out}/BVLumora.tlb ${com_dir}/BVLumora.idl
  DEPENDS ${com_dir}/BVLumora.idl
  COMMENT "Compiling the type library of BVLumora.dll")
file(WRITE ${com_out}/BVLumora.rc.in "1 TYPELIB \"${com_out}/BVLumora.tlb\"\n")
configure_file(${com_out}/BVLumora.rc.in ${com_out}/BVLumora.rc COPYONLY)
set_source_files_properties(${com_out}/BVLumora.rc PROPERTIES OBJECT_DEPENDS ${com_out}/BVLumora.tlb)
add_custom_target(BVLumoraTypeLibrary DEPENDS ${com_out}/BVLumoraTlb.h ${com_out}/BVLumora.tlb)

# The one adapter of automation types.
add_library(lumora_automation STATIC ${com_dir}/AutomationValues.cpp)
target_link_libraries(lumora_automation PUBLIC lumora_contract oleaut32 ole32 uuid)
lumora_layer_root(lumora_automation ${com_dir} ${PROJECT_SOURCE_DIR}/src PUBLIC)
lumora_product_options(lumora_automation)

file(GLOB com_sources CONFIGURE_DEPENDS ${com_dir}/*.cpp)
list(REMOVE_ITEM com_sources ${com_dir}/AutomationValues.cpp)
target_sources(BVLumora PRIVATE ${com_sources} ${com_out}/BVLumora.rc)
add_dependencies(BVLumora BVLumoraTypeLibrary)
target_include_directories(BVLumora PRIVATE ${com_out})
# DesignObjectFile reads and saves the design object with the host's own file code.
target_link_libraries(BVLumora PRIVATE lumora_automation lumora_host oleaut32 ole32 uuid)
