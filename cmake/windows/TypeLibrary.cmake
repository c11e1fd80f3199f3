# lumora_type_library(TARGET IDL NAME) compiles IDL with widl into NAME.tlb and the header
# NAMETlb.h (in the target's build folder, on its include path) and embeds the library in TARGET as
# resource TYPELIB 1.

# widl reads the system's IDL files and the OLE standard type library from Wine's packages.
find_path(LUMORA_WINE_IDL_DIR oaidl.idl PATHS /usr/include/wine/wine/windows
          /usr/include/wine/windows NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_path(LUMORA_STDOLE2_DIR stdole2.tlb PATHS /usr/lib/i386-linux-gnu/wine/i386-windows
          /usr/lib/wine/i386-windows NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_program(LUMORA_WIDL NAMES i686-w64-mingw32-widl widl)
if(NOT LUMORA_WINE_IDL_DIR OR NOT LUMORA_STDOLE2_DIR OR NOT LUMORA_WIDL)
  message(FATAL_ERROR "The COM servers' type libraries need widl (Debian package mingw-w64-tools), "
                      "oaidl.idl (libwine-dev) and stdole2.tlb (wine32:i386); ./setup installs them")
endif()

function(lumora_type_library target idl name)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${name}-typelib)
  file(MAKE_DIRECTORY ${out})
  add_custom_command(
    OUTPUT ${out}/${name}Tlb.h ${out}/${name}.tlb
    COMMAND ${LUMORA_WIDL} --win32 -I${LUMORA_WINE_IDL_DIR} -L${LUMORA_STDOLE2_DIR} -h
            -H ${out}/${name}Tlb.h -t -T ${out}/${name}.tlb ${idl}
    DEPENDS ${idl}
    COMMENT "Compiling the type library of ${name}.dll")
  file(WRITE ${out}/${name}.rc.in "1 TYPELIB \"${out}/${name}.tlb\"\n")
  configure_file(${out}/${name}.rc.in ${out}/${name}.rc COPYONLY)
  set_source_files_properties(${out}/${name}.rc PROPERTIES OBJECT_DEPENDS ${out}/${name}.tlb)
  add_custom_target(${name}TypeLibrary DEPENDS ${out}/${name}Tlb.h ${out}/${name}.tlb)
  target_sources(${target} PRIVATE ${out}/${name}.rc)
  add_dependencies(${target} ${name}TypeLibrary)
  target_include_directories(${target} PRIVATE ${out})
endfunction()
