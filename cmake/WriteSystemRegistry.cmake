# Run by `cmake --install`: writes share/lumora/components.json, the system-wide component
# registry, naming the component's file under the prefix being installed to.
set(registry "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${lumora_datadir}/components.json")
set(library "${CMAKE_INSTALL_PREFIX}/${lumora_componentdir}/libBVLumora.so")
set(clsid "{AFB22445-A174-40F6-8071-E46B5B17970C}")
set(libid "{2B0DA707-39B8-43CF-8EE5-6F740FF91419}")
message(STATUS "Installing: ${registry}")
file(WRITE "${registry}" "{
  \"classes\": {
    \"${clsid}\": {
      \"name\": \"LumoraCtl\",
      \"progId\": \"BVLumora.LumoraCtl\",
      \"path\": \"${library}\",
      \"typeLib\": \"${libid}\"
    }
  },
  \"progIds\": {
    \"BVLumora.LumoraCtl\": \"${clsid}\"
  },
  \"typeLibs\": {
    \"${libid}\": {
      \"description\": \"Brevant Lumora Object Wizard\",
      \"version\": \"1.0\",
      \"path\": \"${library}\"
    }
  }
}
")
