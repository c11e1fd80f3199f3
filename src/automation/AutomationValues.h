// Automation types and our values: the one place of the component that converts BSTR, VARIANT and
// SAFEARRAY to UTF-8 strings and Values and back. Everything else of the COM server passes these
// types through unopened. A VARIANT that no Value stands for answers DISP_E_TYPEMISMATCH (a
// number beyond 32 bits where an integer is read: DISP_E_OVERFLOW); nothing throws but
// std::bad_alloc.
#pragma once

#include <oaidl.h>

#include <string>

#include "contract/Value.h"

namespace lumora::com {

// UTF-16 of a BSTR to UTF-8, its embedded NULs kept; a null BSTR is the empty string.
std::string FromBstr(BSTR text);
// A new BSTR of UTF-8 `text` (the caller frees it); throws std::bad_alloc.
BSTR ToBstr(const std::string& text);

// The value a VARIANT holds: VT_EMPTY (and a missing optional argument) empty, VT_NULL null,
// VT_I1/I2/I4/INT/UI1/UI2/UI4/UINT integer, VT_R4/R8 double, VT_BOOL boolean, VT_BSTR string, a
// one-dimensional VT_ARRAY of VT_BSTR or VT_BOOL an array of strings or booleans (any lower
// bound; element 0 is the first); VT_BYREF of these as well. A VT_ARRAY of VT_VARIANT, which is
// what script engines make, is read as the design-object file reads a JSON array: all strings
// (or no element) an array of strings, all booleans an array of booleans, else a list.
HRESULT FromVariant(const VARIANT& variant, Value& value);
// The VARIANT for `value` in *variant (which the caller clears): the reverse of FromVariant. Arrays
// are VT_ARRAY of VT_VARIANT with lower bound 0, the one kind every script engine reads (Wine's
// take no other); FromVariant gives them back as they were. An object (named members) has no
// automation form: DISP_E_TYPEMISMATCH.
HRESULT ToVariant(const Value& value, VARIANT* variant);

// The interface `iid` of the object a VARIANT holds (VT_DISPATCH or VT_UNKNOWN, by reference
// too) in *out with one reference; VT_EMPTY, VT_NULL and a missing optional argument give null
// and S_OK. Another type is DISP_E_TYPEMISMATCH; an object without `iid` E_NOINTERFACE.
HRESULT ObjectFromVariant(const VARIANT& variant, const IID& iid, void** out);

inline VARIANT_BOOL ToVariantBool(bool b) {
  return b ? VARIANT_TRUE : VARIANT_FALSE;
}

}  // namespace lumora::com
