// The automation interface of BVLumoraHost.dll's type library as widl declares it
// (BVLumoraHostTlb.h, generated from BVLumoraHost.idl). BVLumora.h defines the GUID names
// IID_IDesignObjectFile and CLSID_DesignObjectFile, so the generated ones are renamed here, and
// the library's own id is defined here.
#pragma once

#include "lumora/BVLumora.h"

#define IID_IDesignObjectFile IID_IDesignObjectFile_TypeLibrary
#define CLSID_DesignObjectFile CLSID_DesignObjectFile_TypeLibrary
#define LIBID_BVLumoraHost LIBID_BVLumoraHost_TypeLibrary
// COM interfaces have no virtual destructor: an object deletes itself in its last Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#include "BVLumoraHostTlb.h"
#pragma GCC diagnostic pop
#undef IID_IDesignObjectFile
#undef CLSID_DesignObjectFile
#undef LIBID_BVLumoraHost

namespace lumora::com {

// {11302A6D-7684-491D-95BA-1A38429FA22D}, the library of BVLumoraHost.idl.
inline constexpr GUID LIBID_BVLumoraHost = {
    0x11302A6D, 0x7684, 0x491D, {0x95, 0xBA, 0x1A, 0x38, 0x42, 0x9F, 0xA2, 0x2D}};

}  // namespace lumora::com
