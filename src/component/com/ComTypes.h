// The automation interfaces of the component's type library as widl declares them
// (BVLumoraTlb.h, generated from BVLumora.idl). Its GUID names are those BVLumora.h defines, so the
// generated declarations are renamed here: the header's constants stay the ones in use.
#pragma once

#include "lumora/BVLumora.h"

#define IID_ILumoraCtl IID_ILumoraCtl_TypeLibrary
#define LIBID_BVLumora LIBID_BVLumora_TypeLibrary
#define CLSID_LumoraCtl CLSID_LumoraCtl_TypeLibrary
// COM interfaces have no virtual destructor: an object deletes itself in its last Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#include "BVLumoraTlb.h"
#pragma GCC diagnostic pop
#undef IID_ILumoraCtl
#undef LIBID_BVLumora
#undef CLSID_LumoraCtl
