// The IUnknown part of an object made on our side of the component's C boundary: its reference
// count, QueryInterface over the interfaces it has, and deletion at the last Release. An object
// derives from ComObject<Self> and holds one Face per interface (the C struct the caller sees,
// whose first member is the vtable); Unknown<Interface, Self> gives the three IUnknown entries of
// that interface's vtable. The object owns itself: the last Release deletes it.
#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>

#include "lumora/BVLumora.h"
#include "marshal/Marshal.h"

namespace lumora::marshal {

template <class Interface, class Owner>
struct Face {
  decltype(Interface::lpVtbl) lpVtbl;
  Owner* owner;

  Interface* get() { return reinterpret_cast<Interface*>(this); }
  static Owner* OwnerOf(Interface* self) { return reinterpret_cast<Face*>(self)->owner; }
};

// One interface an object answers QueryInterface for, and the face that stands for it.
struct FaceEntry {
  const LumoraGuid* iid;
  void* face;
};

// Finds `iid` among `faces` (the first also answers IID_IUnknown) and stores its face in `out`.
inline LumoraHResult FindFace(const LumoraGuid* iid, void** out,
                              std::initializer_list<FaceEntry> faces) {
  if (out == nullptr) return LUMORA_E_POINTER;
  *out = nullptr;
  if (iid == nullptr) return LUMORA_E_INVALIDARG;
  bool first = true;
  for (const FaceEntry& entry : faces) {
    if (SameGuid(*iid, *entry.iid) || (first && SameGuid(*iid, IID_IUnknown))) {
      *out = entry.face;
      return LUMORA_S_OK;
    }
    first = false;
  }
  return LUMORA_E_NOINTERFACE;
}

template <class Self>
class ComObject {
 public:
  uint32_t AddRef() { return ++references_; }
  uint32_t Release() {
    const uint32_t left = --references_;
    if (left == 0) delete static_cast<Self*>(this);
    return left;
  }
  // QueryInterface answered from the object's faces; a face handed out holds a reference.
  LumoraHResult Query(const LumoraGuid* iid, void** out, std::initializer_list<FaceEntry> faces) {
    const LumoraHResult result = FindFace(iid, out, faces);
    if (result == LUMORA_S_OK) AddRef();
    return result;
  }

 private:
  std::atomic<uint32_t> references_{1};
};

// The IUnknown entries of Interface's vtable for objects of class Owner, which has
// QueryInterface(iid, out), AddRef() and Release().
template <class Interface, class Owner>
struct Unknown {
  static LumoraHResult LUMORA_CALL QueryInterface(Interface* self, const LumoraGuid* iid,
                                                  void** out) {
    return Face<Interface, Owner>::OwnerOf(self)->QueryInterface(iid, out);
  }
  static LumoraRefCount LUMORA_CALL AddRef(Interface* self) {
    return Face<Interface, Owner>::OwnerOf(self)->AddRef();
  }
  static LumoraRefCount LUMORA_CALL Release(Interface* self) {
    return Face<Interface, Owner>::OwnerOf(self)->Release();
  }
};

}  // namespace lumora::marshal
