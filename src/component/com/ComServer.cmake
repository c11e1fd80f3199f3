# The Windows build's COM server inside BVLumora.dll: the type library compiled by widl from
# BVLumora.idl and embedded as resource TYPELIB 1, LumoraCtl's automation face, and what every
# COM server of ours shares (lumora_automation: the one adapter of automation types, class
# factories, registration). Included by src/component/CMakeLists.txt.
include(${PROJECT_SOURCE_DIR}/cmake/windows/TypeLibrary.cmake)

set(com_dir ${CMAKE_CURRENT_SOURCE_DIR}/com)
lumora_type_library(BVLumora ${com_dir}/BVLumora.idl BVLumora)
file(GLOB com_sources CONFIGURE_DEPENDS ${com_dir}/*.cpp)
target_sources(BVLumora PRIVATE ${com_sources})
target_link_libraries(BVLumora PRIVATE lumora_automation)
# Its headers (component/com/...) in the component's layer folder.
lumora_layer_root(BVLumora ${com_dir} ${PROJECT_SOURCE_DIR}/src PRIVATE)
