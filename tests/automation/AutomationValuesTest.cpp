// The adapter between automation types and our values (src/automation/AutomationValues.h), in
// tables: each VARIANT kind a script host passes, in and out, and what no Value stands for.
// Windows build only, run under Wine.
#include <windows.h>

#include <gtest/gtest.h>
#include <oleauto.h>

#include <functional>
#include <string>
#include <vector>

#include "automation/AutomationValues.h"
#include "lumora/BVLumora.h"

namespace lumora::com {
namespace {

// A VARIANT cleared at the end of the scope.
struct Variant {
  VARIANT v;
  Variant() { VariantInit(&v); }
  ~Variant() { VariantClear(&v); }
};

VARIANT Str(const wchar_t* text, UINT length) {
  VARIANT v;
  V_VT(&v) = VT_BSTR, V_BSTR(&v) = SysAllocStringLen(text, length);
  return v;
}
VARIANT Str(const wchar_t* text) {
  return Str(text, static_cast<UINT>(wcslen(text)));
}
VARIANT Of(VARTYPE type, LONG number) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4, V_I4(&v) = number;
  if (type != VT_I4) VariantChangeType(&v, &v, 0, type);
  return v;
}

// A one-dimensional SAFEARRAY of `type` from `lower` on, as a script engine makes one; the items
// are VARIANTs of that type (or of any, for VT_VARIANT), freed here.
SAFEARRAY* Array(VARTYPE type, std::vector<VARIANT> items, LONG lower = 0) {
  SAFEARRAYBOUND bound{static_cast<ULONG>(items.size()), lower};
  SAFEARRAY* array = SafeArrayCreate(type, 1, &bound);
  for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
    LONG index = lower + i;
    VARIANT& item = items[i];
    void* element = type == VT_VARIANT ? static_cast<void*>(&item)
                    : type == VT_BSTR  ? static_cast<void*>(V_BSTR(&item))
                                       : static_cast<void*>(&V_BOOL(&item));
    SafeArrayPutElement(array, &index, element);
    VariantClear(&item);
  }
  return array;
}

LONG byReferenceLong = 42;

TEST(AutomationValues, ReadsEachVariantKindOrRefusesIt) {
  const struct {
    const char* name;
    std::function<void(VARIANT&)> make;
    HRESULT result;
    Value value;  // when the result is S_OK
  } rows[] = {
      {"empty", [](VARIANT&) {}, S_OK, Value()},
      {"null", [](VARIANT& v) { V_VT(&v) = VT_NULL; }, S_OK, Value::Null()},
      {"missing optional argument",
       [](VARIANT& v) { V_VT(&v) = VT_ERROR, V_ERROR(&v) = DISP_E_PARAMNOTFOUND; }, S_OK, Value()},
      {"other error value", [](VARIANT& v) { V_VT(&v) = VT_ERROR, V_ERROR(&v) = E_FAIL; },
       DISP_E_TYPEMISMATCH, Value()},
      {"I2", [](VARIANT& v) { v = Of(VT_I2, -5); }, S_OK, Value::Integer(-5)},
      {"I4 lowest", [](VARIANT& v) { v = Of(VT_I4, -2147483647 - 1); }, S_OK,
       Value::Integer(-2147483647 - 1)},
      {"UI1", [](VARIANT& v) { v = Of(VT_UI1, 200); }, S_OK, Value::Integer(200)},
      {"UI4 beyond 32 bits", [](VARIANT& v) { V_VT(&v) = VT_UI4, V_UI4(&v) = 2147483648u; },
       DISP_E_OVERFLOW, Value()},
      {"R4", [](VARIANT& v) { V_VT(&v) = VT_R4, V_R4(&v) = 1.5f; }, S_OK, Value::Double(1.5)},
      {"BOOL true", [](VARIANT& v) { v = Of(VT_BOOL, -1); }, S_OK, Value::Boolean(true)},
      {"BOOL false", [](VARIANT& v) { v = Of(VT_BOOL, 0); }, S_OK, Value::Boolean(false)},
      {"BSTR with a NUL and accents", [](VARIANT& v) { v = Str(L"Gr\u00fc\u00dfe\0x", 7); }, S_OK,
       Value::String(std::string("Gr\xc3\xbc\xc3\x9f"
                                 "e\0x",
                                 9))},
      {"null BSTR", [](VARIANT& v) { V_VT(&v) = VT_BSTR, V_BSTR(&v) = nullptr; }, S_OK,
       Value::String("")},
      {"array of BSTR from 1",
       [](VARIANT& v) {
         V_VT(&v) = VT_ARRAY | VT_BSTR,
         V_ARRAY(&v) = Array(VT_BSTR, {Str(L"a"), Str(L"\u00e9")}, 1);
       },
       S_OK, Value::Strings({"a", "\xc3\xa9"})},
      {"array of BOOL",
       [](VARIANT& v) {
         V_VT(&v) = VT_ARRAY | VT_BOOL,
         V_ARRAY(&v) = Array(VT_BOOL, {Of(VT_BOOL, -1), Of(VT_BOOL, 0)});
       },
       S_OK, Value::Booleans({true, false})},
      {"array of VARIANT holding strings",
       [](VARIANT& v) {
         V_VT(&v) = VT_ARRAY | VT_VARIANT, V_ARRAY(&v) = Array(VT_VARIANT, {Str(L"a"), Str(L"b")});
       },
       S_OK, Value::Strings({"a", "b"})},
      {"array of VARIANT holding booleans",
       [](VARIANT& v) {
         V_VT(&v) = VT_ARRAY | VT_VARIANT,
         V_ARRAY(&v) = Array(VT_VARIANT, {Of(VT_BOOL, 0), Of(VT_BOOL, -1)});
       },
       S_OK, Value::Booleans({false, true})},
      {"array of VARIANT holding a number and a string",
       [](VARIANT& v) {
         V_VT(&v) = VT_ARRAY | VT_VARIANT,
         V_ARRAY(&v) = Array(VT_VARIANT, {Of(VT_I4, 7), Str(L"x")});
       },
       S_OK, Value::MakeList({Value::Integer(7), Value::String("x")})},
      {"empty array of VARIANT",
       [](VARIANT& v) { V_VT(&v) = VT_ARRAY | VT_VARIANT, V_ARRAY(&v) = Array(VT_VARIANT, {}); },
       S_OK, Value::Strings({})},
      {"array of VARIANT holding a date",
       [](VARIANT& v) {
         V_VT(&v) = VT_ARRAY | VT_VARIANT, V_ARRAY(&v) = Array(VT_VARIANT, {Of(VT_DATE, 2)});
       },
       DISP_E_TYPEMISMATCH, Value()},
      {"two-dimensional array of BSTR",
       [](VARIANT& v) {
         SAFEARRAYBOUND bounds[2] = {{1, 0}, {1, 0}};
         V_VT(&v) = VT_ARRAY | VT_BSTR, V_ARRAY(&v) = SafeArrayCreate(VT_BSTR, 2, bounds);
       },
       DISP_E_TYPEMISMATCH, Value()},
      {"date", [](VARIANT& v) { v = Of(VT_DATE, 1); }, DISP_E_TYPEMISMATCH, Value()},
      {"object", [](VARIANT& v) { V_VT(&v) = VT_DISPATCH, V_DISPATCH(&v) = nullptr; },
       DISP_E_TYPEMISMATCH, Value()},
      {"I4 by reference",
       [](VARIANT& v) { V_VT(&v) = VT_BYREF | VT_I4, V_I4REF(&v) = &byReferenceLong; }, S_OK,
       Value::Integer(42)},
  };
  for (const auto& row : rows) {
    Variant given;
    row.make(given.v);
    Value value = Value::String("untouched");
    EXPECT_EQ(FromVariant(given.v, value), row.result) << row.name;
    // A refused VARIANT leaves the value as it was.
    EXPECT_EQ(value, row.result == S_OK ? row.value : Value::String("untouched")) << row.name;
  }
}

TEST(AutomationValues, WritesEachValueKindAsItsVariantAndBack) {
  const struct {
    Value value;
    VARTYPE type;
    HRESULT result;
  } rows[] = {
      {Value(), VT_EMPTY, S_OK},
      {Value::Null(), VT_NULL, S_OK},
      {Value::Integer(-3), VT_I4, S_OK},
      {Value::Double(0.5), VT_R8, S_OK},
      {Value::Boolean(true), VT_BOOL, S_OK},
      {Value::String(std::string("a\0\xc3\xa9", 4)), VT_BSTR, S_OK},
      {Value::Strings({"SQL Server", ""}), VT_ARRAY | VT_VARIANT, S_OK},
      {Value::Booleans({false, true, true}), VT_ARRAY | VT_VARIANT, S_OK},
      {Value::MakeList({Value::Integer(1), Value::Strings({"x"})}), VT_ARRAY | VT_VARIANT, S_OK},
      {Value::MakeObject({{"a", Value::Integer(1)}}), VT_EMPTY, DISP_E_TYPEMISMATCH},
      {Value::MakeList({Value::MakeObject({})}), VT_EMPTY, DISP_E_TYPEMISMATCH},
  };
  for (const auto& row : rows) {
    Variant out;
    EXPECT_EQ(ToVariant(row.value, &out.v), row.result) << row.value.ToString();
    EXPECT_EQ(V_VT(&out.v), row.type);
    if (row.result != S_OK) continue;
    if ((V_VT(&out.v) & VT_ARRAY) != 0) {
      LONG lower = -1;
      SafeArrayGetLBound(V_ARRAY(&out.v), 1, &lower);
      EXPECT_EQ(lower, 0);
    }
    Value back;
    EXPECT_EQ(FromVariant(out.v, back), S_OK);
    EXPECT_EQ(back, row.value);
  }
}

TEST(AutomationValues, TakesTheObjectAVariantHoldsOrNothing) {
  const struct {
    const char* name;
    VARIANT given;
    HRESULT result;
  } rows[] = {
      {"empty", Variant().v, S_OK},
      {"Nothing",
       [] {
         VARIANT v;
         V_VT(&v) = VT_DISPATCH, V_DISPATCH(&v) = nullptr;
         return v;
       }(),
       S_OK},
      {"a number", Of(VT_I4, 1), DISP_E_TYPEMISMATCH},
  };
  for (const auto& row : rows) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(ObjectFromVariant(row.given, IID_IDesignObject, &object), row.result) << row.name;
    EXPECT_EQ(object, nullptr) << row.name;
  }
}

}  // namespace
}  // namespace lumora::com
