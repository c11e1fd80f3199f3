// The adapter between automation types and our values (src/automation/AutomationValues.h), in
// tables: each VARIANT kind a script host passes, in and out, and what no Value stands for.
// Windows build only, run under Wine.
#include <windows.h>

#include <gtest/gtest.h>
#include <oleauto.h>

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

// A VARIANT of `type` with its value zero: a null BSTR, object or array.
VARIANT Kind(VARTYPE type) {
  VARIANT v{};
  V_VT(&v) = type;
  return v;
}
VARIANT Str(const wchar_t* text, UINT length) {
  VARIANT v = Kind(VT_BSTR);
  V_BSTR(&v) = SysAllocStringLen(text, length);
  return v;
}
VARIANT Str(const wchar_t* text) {
  return Str(text, static_cast<UINT>(wcslen(text)));
}
VARIANT Of(VARTYPE type, double number) {
  VARIANT v = Kind(VT_R8);
  V_R8(&v) = number;
  if (type != VT_R8) VariantChangeType(&v, &v, 0, type);
  return v;
}
VARIANT Error(SCODE code) {
  VARIANT v = Kind(VT_ERROR);
  V_ERROR(&v) = code;
  return v;
}

// A one-dimensional SAFEARRAY of `type` from `lower` on, as a script engine makes one, in a
// VARIANT; the items are VARIANTs of that type (or of any, for VT_VARIANT), freed here.
VARIANT Array(VARTYPE type, std::vector<VARIANT> items, LONG lower = 0) {
  SAFEARRAYBOUND bound{static_cast<ULONG>(items.size()), lower};
  VARIANT array = Kind(VT_ARRAY | type);
  V_ARRAY(&array) = SafeArrayCreate(type, 1, &bound);
  for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
    LONG index = lower + i;
    VARIANT& item = items[i];
    void* element = type == VT_VARIANT ? static_cast<void*>(&item)
                    : type == VT_BSTR  ? static_cast<void*>(V_BSTR(&item))
                                       : static_cast<void*>(&V_BOOL(&item));
    SafeArrayPutElement(V_ARRAY(&array), &index, element);
    VariantClear(&item);
  }
  return array;
}

LONG byReferenceLong = 42;

TEST(AutomationValues, ReadsEachVariantKindOrRefusesIt) {
  struct {
    const char* name;
    VARIANT given;
    HRESULT result;
    Value value;  // when the result is S_OK
  } rows[] = {
      {"empty", Kind(VT_EMPTY), S_OK, Value()},
      {"null", Kind(VT_NULL), S_OK, Value::Null()},
      {"missing optional argument", Error(DISP_E_PARAMNOTFOUND), S_OK, Value()},
      {"other error value", Error(E_FAIL), DISP_E_TYPEMISMATCH, Value()},
      {"I2", Of(VT_I2, -5), S_OK, Value::Integer(-5)},
      {"I4 lowest", Of(VT_I4, -2147483648.0), S_OK, Value::Integer(-2147483647 - 1)},
      {"UI1", Of(VT_UI1, 200), S_OK, Value::Integer(200)},
      {"UI4 beyond 32 bits", Of(VT_UI4, 2147483648.0), DISP_E_OVERFLOW, Value()},
      {"R4", Of(VT_R4, 1.5), S_OK, Value::Double(1.5)},
      {"BOOL true", Of(VT_BOOL, -1), S_OK, Value::Boolean(true)},
      {"BOOL false", Of(VT_BOOL, 0), S_OK, Value::Boolean(false)},
      {"BSTR with a NUL and accents", Str(L"Gr\u00fc\u00dfe\0x", 7), S_OK,
       Value::String(std::string("Gr\xc3\xbc\xc3\x9f\x65\0x", 9))},
      {"null BSTR", Kind(VT_BSTR), S_OK, Value::String("")},
      {"array of BSTR from 1", Array(VT_BSTR, {Str(L"a"), Str(L"\u00e9")}, 1), S_OK,
       Value::Strings({"a", "\xc3\xa9"})},
      {"array of BOOL", Array(VT_BOOL, {Of(VT_BOOL, -1), Of(VT_BOOL, 0)}), S_OK,
       Value::Booleans({true, false})},
      {"array of VARIANT holding strings", Array(VT_VARIANT, {Str(L"a"), Str(L"b")}), S_OK,
       Value::Strings({"a", "b"})},
      {"array of VARIANT holding booleans", Array(VT_VARIANT, {Of(VT_BOOL, 0), Of(VT_BOOL, -1)}),
       S_OK, Value::Booleans({false, true})},
      {"array of VARIANT holding a number and a string",
       Array(VT_VARIANT, {Of(VT_I4, 7), Str(L"x")}), S_OK,
       Value::MakeList({Value::Integer(7), Value::String("x")})},
      {"empty array of VARIANT", Array(VT_VARIANT, {}), S_OK, Value::Strings({})},
      {"array of VARIANT holding a date", Array(VT_VARIANT, {Of(VT_DATE, 2)}), DISP_E_TYPEMISMATCH,
       Value()},
      {"two-dimensional array of BSTR",
       [] {
         SAFEARRAYBOUND bounds[2] = {{1, 0}, {1, 0}};
         VARIANT v = Kind(VT_ARRAY | VT_BSTR);
         V_ARRAY(&v) = SafeArrayCreate(VT_BSTR, 2, bounds);
         return v;
       }(),
       DISP_E_TYPEMISMATCH, Value()},
      {"date", Of(VT_DATE, 1), DISP_E_TYPEMISMATCH, Value()},
      {"object", Kind(VT_DISPATCH), DISP_E_TYPEMISMATCH, Value()},
      {"I4 by reference",
       [] {
         VARIANT v = Kind(VT_BYREF | VT_I4);
         V_I4REF(&v) = &byReferenceLong;
         return v;
       }(),
       S_OK, Value::Integer(42)},
  };
  for (auto& row : rows) {
    Value value = Value::String("untouched");
    EXPECT_EQ(FromVariant(row.given, value), row.result) << row.name;
    // A refused VARIANT leaves the value as it was.
    EXPECT_EQ(value, row.result == S_OK ? row.value : Value::String("untouched")) << row.name;
    VariantClear(&row.given);
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
      {"empty", Kind(VT_EMPTY), S_OK},
      {"Nothing", Kind(VT_DISPATCH), S_OK},
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
