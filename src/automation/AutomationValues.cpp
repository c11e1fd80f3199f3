#include "AutomationValues.h"

#include <oleauto.h>

#include <algorithm>
#include <limits>
#include <new>
#include <vector>

#include "contract/WideText.h"

namespace lumora::com {
namespace {

// The VARIANT a VT_BYREF VARIANT points at, or the VARIANT itself.
const VARIANT& Dereferenced(const VARIANT& variant) {
  if (V_VT(&variant) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&variant) != nullptr) {
    return *V_VARIANTREF(&variant);
  }
  return variant;
}

// A VARIANT's payload with VT_BYREF resolved: `type` without the flag, `data` its address.
struct Payload {
  VARTYPE type;
  const void* data;
};
Payload PayloadOf(const VARIANT& variant) {
  const VARTYPE type = V_VT(&variant);
  if ((type & VT_BYREF) != 0) return {static_cast<VARTYPE>(type & ~VT_BYREF), V_BYREF(&variant)};
  return {type, &V_UI1(&variant)};
}

template <class T>
T Read(const Payload& payload) {
  return *static_cast<const T*>(payload.data);
}

HRESULT IntegerOf(int64_t number, Value& value) {
  if (number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<int32_t>::max())
    return DISP_E_OVERFLOW;
  value = Value::Integer(static_cast<int32_t>(number));
  return S_OK;
}

// The elements of a one-dimensional SAFEARRAY of `Element`, in order from its lower bound.
template <class Element>
HRESULT Elements(SAFEARRAY* array, std::vector<Element>& items) {
  if (array == nullptr) return S_OK;  // a null array is an empty one
  if (SafeArrayGetDim(array) != 1) return DISP_E_TYPEMISMATCH;
  const ULONG count = array->rgsabound[0].cElements;
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) return DISP_E_TYPEMISMATCH;
  const Element* first = static_cast<const Element*>(data);
  items.assign(first, first + count);
  SafeArrayUnaccessData(array);
  return S_OK;
}

// A script's array (of VARIANTs) as the design-object file reads a JSON array: all strings (or
// none) an array of strings, all booleans an array of booleans, anything else a list.
Value Classified(Value::List list) {
  const auto all = [&](Value::Kind kind) {
    return std::all_of(list.begin(), list.end(), [&](const Value& v) { return v.kind() == kind; });
  };
  if (all(Value::Kind::String)) {
    std::vector<std::string> strings;
    strings.reserve(list.size());
    for (const Value& item : list) strings.push_back(item.AsText());
    return Value::Strings(std::move(strings));
  }
  if (all(Value::Kind::Boolean)) {
    std::vector<bool> booleans;
    booleans.reserve(list.size());
    for (const Value& item : list) booleans.push_back(item.ToBool());
    return Value::Booleans(std::move(booleans));
  }
  return Value::MakeList(std::move(list));
}

HRESULT ArrayOf(VARTYPE elementType, SAFEARRAY* array, Value& value) {
  switch (elementType) {
    case VT_BSTR: {
      std::vector<BSTR> items;
      if (HRESULT hr = Elements(array, items); FAILED(hr)) return hr;
      std::vector<std::string> strings;
      strings.reserve(items.size());
      for (BSTR item : items) strings.push_back(FromBstr(item));
      value = Value::Strings(std::move(strings));
      return S_OK;
    }
    case VT_BOOL: {
      std::vector<VARIANT_BOOL> items;
      if (HRESULT hr = Elements(array, items); FAILED(hr)) return hr;
      std::vector<bool> booleans;
      booleans.reserve(items.size());
      for (VARIANT_BOOL item : items) booleans.push_back(item != VARIANT_FALSE);
      value = Value::Booleans(std::move(booleans));
      return S_OK;
    }
    case VT_VARIANT: {
      if (array == nullptr) {
        value = Value::Strings({});
        return S_OK;
      }
      if (SafeArrayGetDim(array) != 1) return DISP_E_TYPEMISMATCH;
      void* data = nullptr;
      if (FAILED(SafeArrayAccessData(array, &data))) return DISP_E_TYPEMISMATCH;
      const VARIANT* items = static_cast<const VARIANT*>(data);
      Value::List list;
      HRESULT hr = S_OK;
      for (ULONG i = 0; i < array->rgsabound[0].cElements && SUCCEEDED(hr); ++i) {
        Value item;
        hr = FromVariant(items[i], item);
        list.push_back(std::move(item));
      }
      SafeArrayUnaccessData(array);
      if (FAILED(hr)) return hr;
      value = Classified(std::move(list));
      return S_OK;
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

// A one-dimensional SAFEARRAY of lower bound 0 holding `count` elements of `type`.
SAFEARRAY* NewArray(VARTYPE type, size_t count) {
  SAFEARRAY* array = SafeArrayCreateVector(type, 0, static_cast<ULONG>(count));
  if (array == nullptr) throw std::bad_alloc();
  return array;
}

// Fills a new array's elements through `fill(data)`, the array released when it throws.
template <class Element, class Fill>
SAFEARRAY* FilledArray(VARTYPE type, size_t count, Fill fill) {
  SAFEARRAY* array = NewArray(type, count);
  void* data = nullptr;
  SafeArrayAccessData(array, &data);
  try {
    fill(static_cast<Element*>(data));
  } catch (...) {
    SafeArrayUnaccessData(array);
    SafeArrayDestroy(array);
    throw;
  }
  SafeArrayUnaccessData(array);
  return array;
}

}  // namespace

std::string FromBstr(BSTR text) {
  if (text == nullptr) return {};
  return Narrow(std::wstring_view(text, SysStringLen(text)));
}

BSTR ToBstr(const std::string& text) {
  const std::wstring wide = Widen(text);
  BSTR made = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (made == nullptr) throw std::bad_alloc();
  return made;
}

HRESULT FromVariant(const VARIANT& given, Value& value) {
  const VARIANT& variant = Dereferenced(given);
  const Payload payload = PayloadOf(variant);
  if ((payload.type & VT_ARRAY) != 0) {
    return ArrayOf(static_cast<VARTYPE>(payload.type & ~VT_ARRAY), Read<SAFEARRAY*>(payload),
                   value);
  }
  switch (payload.type) {
    case VT_EMPTY:
      value = Value();
      return S_OK;
    case VT_ERROR:  // a missing optional argument
      if (Read<SCODE>(payload) != DISP_E_PARAMNOTFOUND) return DISP_E_TYPEMISMATCH;
      value = Value();
      return S_OK;
    case VT_NULL:
      value = Value::Null();
      return S_OK;
    case VT_I1:
      return IntegerOf(Read<CHAR>(payload), value);
    case VT_I2:
      return IntegerOf(Read<SHORT>(payload), value);
    case VT_I4:
    case VT_INT:
      return IntegerOf(Read<LONG>(payload), value);
    case VT_UI1:
      return IntegerOf(Read<BYTE>(payload), value);
    case VT_UI2:
      return IntegerOf(Read<USHORT>(payload), value);
    case VT_UI4:
    case VT_UINT:
      return IntegerOf(Read<ULONG>(payload), value);
    case VT_R4:
      value = Value::Double(Read<FLOAT>(payload));
      return S_OK;
    case VT_R8:
      value = Value::Double(Read<DOUBLE>(payload));
      return S_OK;
    case VT_BOOL:
      value = Value::Boolean(Read<VARIANT_BOOL>(payload) != VARIANT_FALSE);
      return S_OK;
    case VT_BSTR:
      value = Value::String(FromBstr(Read<BSTR>(payload)));
      return S_OK;
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

HRESULT ToVariant(const Value& value, VARIANT* variant) {
  if (variant == nullptr) return E_POINTER;
  VariantInit(variant);
  switch (value.kind()) {
    case Value::Kind::Empty:
      return S_OK;
    case Value::Kind::Null:
      V_VT(variant) = VT_NULL;
      return S_OK;
    case Value::Kind::Boolean:
      V_VT(variant) = VT_BOOL;
      V_BOOL(variant) = ToVariantBool(value.ToBool());
      return S_OK;
    case Value::Kind::Integer:
      V_VT(variant) = VT_I4;
      V_I4(variant) = value.ToLong();
      return S_OK;
    case Value::Kind::Double:
      V_VT(variant) = VT_R8;
      V_R8(variant) = value.ToDouble();
      return S_OK;
    case Value::Kind::String:
      V_BSTR(variant) = ToBstr(value.AsText());
      V_VT(variant) = VT_BSTR;
      return S_OK;
    case Value::Kind::StringArray: {
      const std::vector<std::string>& items = value.AsStrings();
      V_ARRAY(variant) = FilledArray<VARIANT>(VT_VARIANT, items.size(), [&](VARIANT* data) {
        for (size_t i = 0; i < items.size(); ++i) {
          V_BSTR(&data[i]) = ToBstr(items[i]);
          V_VT(&data[i]) = VT_BSTR;
        }
      });
      V_VT(variant) = VT_ARRAY | VT_VARIANT;
      return S_OK;
    }
    case Value::Kind::BooleanArray: {
      const std::vector<bool>& items = value.AsBooleans();
      V_ARRAY(variant) = FilledArray<VARIANT>(VT_VARIANT, items.size(), [&](VARIANT* data) {
        for (size_t i = 0; i < items.size(); ++i) {
          V_VT(&data[i]) = VT_BOOL;
          V_BOOL(&data[i]) = ToVariantBool(items[i]);
        }
      });
      V_VT(variant) = VT_ARRAY | VT_VARIANT;
      return S_OK;
    }
    case Value::Kind::List: {
      const Value::List& items = value.AsList();
      HRESULT hr = S_OK;
      V_ARRAY(variant) = FilledArray<VARIANT>(VT_VARIANT, items.size(), [&](VARIANT* data) {
        for (size_t i = 0; i < items.size() && SUCCEEDED(hr); ++i)
          hr = ToVariant(items[i], &data[i]);
      });
      V_VT(variant) = VT_ARRAY | VT_VARIANT;
      if (FAILED(hr)) VariantClear(variant);
      return hr;
    }
    case Value::Kind::Object:
      return DISP_E_TYPEMISMATCH;
  }
  return DISP_E_TYPEMISMATCH;
}

HRESULT ObjectFromVariant(const VARIANT& given, const IID& iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  const VARIANT& variant = Dereferenced(given);
  const Payload payload = PayloadOf(variant);
  IUnknown* object = nullptr;
  switch (payload.type) {
    case VT_EMPTY:
    case VT_NULL:
      return S_OK;
    case VT_ERROR:
      return Read<SCODE>(payload) == DISP_E_PARAMNOTFOUND ? S_OK : DISP_E_TYPEMISMATCH;
    case VT_DISPATCH:
      object = Read<IDispatch*>(payload);
      break;
    case VT_UNKNOWN:
      object = Read<IUnknown*>(payload);
      break;
    default:
      return DISP_E_TYPEMISMATCH;
  }
  if (object == nullptr) return S_OK;  // Nothing
  return object->QueryInterface(iid, out);
}

}  // namespace lumora::com
