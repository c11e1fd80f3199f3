// The adapter between automation types and our values (src/automation/AutomationValues.h), in
// tables: each VARIANT kind a script host passes, in and out, and what no Value stands for.
// Windows build only, run under Wine.
#include <windows.h>

#include <gtest/gtest.h>
#include <oleauto.h>
#include <olectl.h>

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

SAFEARRAY* Bstrs(std::vector<std::wstring> items, LONG lower = 0) {
  SAFEARRAYBOUND bound{static_cast<ULONG>(items.size()), lower};
  SAFEARRAY* array = SafeArrayCreate(VT_BSTR, 1, &bound);
  for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
    LONG index = lower + i;
    BSTR item = SysAllocStringLen(items[i].data(), static_cast<UINT>(items[i].size()));
    SafeArrayPutElement(array, &index, item);
    SysFreeString(item);
  }
  return array;
}

SAFEARRAY* Bools(std::vector<VARIANT_BOOL> items) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_BOOL, 0, static_cast<ULONG>(items.size()));
  for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i)
    SafeArrayPutElement(array, &i, &items[i]);
  return array;
}

// A VARIANT array of `strings`, then `booleans`, as a script engine makes one.
SAFEARRAY* Variants(std::vector<std::wstring> strings, std::vector<VARIANT_BOOL> booleans) {
  SAFEARRAY* array =
      SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(strings.size() + booleans.size()));
  LONG i = 0;
  for (const std::wstring& text : strings) {
    VARIANT item;
    V_VT(&item) = VT_BSTR, V_BSTR(&item) = SysAllocString(text.c_str());
    SafeArrayPutElement(array, &i, &item);
    VariantClear(&item);
    ++i;
  }
  for (VARIANT_BOOL b : booleans) {
    VARIANT item;
    V_VT(&item) = VT_BOOL, V_BOOL(&item) = b;
    SafeArrayPutElement(array, &i, &item);
    ++i;
  }
  return array;
}

struct InRow {
  const char* name;
  std::function<void(VARIANT&)> make;
  HRESULT result;
  Value value;  // when the result is S_OK
};

LONG byReferenceLong = 42;
VARIANT inner = [] {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_R8;
  V_R8(&v) = 0.25;
  return v;
}();

const std::vector<InRow>& InRows() {
  static const std::vector<InRow> rows = {
      {"empty", [](VARIANT&) {}, S_OK, Value()},
      {"null", [](VARIANT& v) { V_VT(&v) = VT_NULL; }, S_OK, Value::Null()},
      {"missing optional argument",
       [](VARIANT& v) {
         V_VT(&v) = VT_ERROR;
         V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
       },
       S_OK, Value()},
      {"other error value",
       [](VARIANT& v) {
         V_VT(&v) = VT_ERROR;
         V_ERROR(&v) = E_FAIL;
       },
       DISP_E_TYPEMISMATCH, Value()},
      {"I2", [](VARIANT& v) { V_VT(&v) = VT_I2, V_I2(&v) = -5; }, S_OK, Value::Integer(-5)},
      {"I4", [](VARIANT& v) { V_VT(&v) = VT_I4, V_I4(&v) = -2147483647 - 1; }, S_OK,
       Value::Integer(-2147483647 - 1)},
      {"UI1", [](VARIANT& v) { V_VT(&v) = VT_UI1, V_UI1(&v) = 200; }, S_OK, Value::Integer(200)},
      {"UI4 within 32 bits", [](VARIANT& v) { V_VT(&v) = VT_UI4, V_UI4(&v) = 2147483647; }, S_OK,
       Value::Integer(2147483647)},
      {"UI4 beyond 32 bits", [](VARIANT& v) { V_VT(&v) = VT_UI4, V_UI4(&v) = 2147483648u; },
       DISP_E_OVERFLOW, Value()},
      {"R4", [](VARIANT& v) { V_VT(&v) = VT_R4, V_R4(&v) = 1.5f; }, S_OK, Value::Double(1.5)},
      {"R8", [](VARIANT& v) { V_VT(&v) = VT_R8, V_R8(&v) = 2.25; }, S_OK, Value::Double(2.25)},
      {"BOOL true", [](VARIANT& v) { V_VT(&v) = VT_BOOL, V_BOOL(&v) = VARIANT_TRUE; }, S_OK,
       Value::Boolean(true)},
      {"BOOL false", [](VARIANT& v) { V_VT(&v) = VT_BOOL, V_BOOL(&v) = VARIANT_FALSE; }, S_OK,
       Value::Boolean(false)},
      {"BSTR with a NUL and accents",
       [](VARIANT& v) {
         V_VT(&v) = VT_BSTR, V_BSTR(&v) = SysAllocStringLen(L"Gr\u00fc\u00dfe\0x", 7);
       },
       S_OK,
       Value::String(std::string("Gr\xc3\xbc\xc3\x9f"
                                 "e\0x",
                                 9))},
      {"null BSTR", [](VARIANT& v) { V_VT(&v) = VT_BSTR, V_BSTR(&v) = nullptr; }, S_OK,
       Value::String("")},
      {"array of BSTR",
       [](VARIANT& v) {
         V_VT(&v) = VT_ARRAY | VT_BSTR, V_ARRAY(&v) = Bstrs({L"SQL Server", L"\u00e9"});
       },
       S_OK, Value::Strings({"SQL Server", "\xc3\xa9"})},
      {"array of BSTR from 1",
       [](VARIANT& v) {
         V_VT(&v) = VT_ARRAY | VT_BSTR, V_ARRAY(&v) = Bstrs({L"a", L"b"}, 1);
       },
       S_OK, Value::Strings({"a", "b"})},
      {"empty array of BSTR",
       [](VARIANT& v) { V_VT(&v) = VT_ARRAY | VT_BSTR, V_ARRAY(&v) = Bstrs({}); }, S_OK,
       Value::Strings({})},
      {"array of BOOL",
       [](VARIANT& v) {
         V_VT(&v) = VT_ARRAY | VT_BOOL, V_ARRAY(&v) = Bools({VARIANT_TRUE, VARIANT_FALSE});
       },
       S_OK, Value::Booleans({true, false})},
      {"array of VARIANT",
       [](VARIANT& v) {
         SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 2);
         VARIANT item;
         VariantInit(&item);
         V_VT(&item) = VT_I4, V_I4(&item) = 7;
         LONG i = 0;
         SafeArrayPutElement(array, &i, &item);
         V_VT(&item) = VT_BSTR, V_BSTR(&item) = SysAllocString(L"x");
         i = 1;
         SafeArrayPutElement(array, &i, &item);
         VariantClear(&item);
         V_VT(&v) = VT_ARRAY | VT_VARIANT, V_ARRAY(&v) = array;
       },
       S_OK, Value::MakeList({Value::Integer(7), Value::String("x")})},
      {"array of VARIANT holding strings",
       [](VARIANT& v) {
         V_VT(&v) = VT_ARRAY | VT_VARIANT, V_ARRAY(&v) = Variants({L"a", L"b"}, {});
       },
       S_OK, Value::Strings({"a", "b"})},
      {"array of VARIANT holding booleans",
       [](VARIANT& v) {
         V_VT(&v) = VT_ARRAY | VT_VARIANT,
         V_ARRAY(&v) = Variants({}, {VARIANT_FALSE, VARIANT_TRUE});
       },
       S_OK, Value::Booleans({false, true})},
      {"array of VARIANT holding strings and booleans",
       [](VARIANT& v) {
         V_VT(&v) = VT_ARRAY | VT_VARIANT, V_ARRAY(&v) = Variants({L"a"}, {VARIANT_TRUE});
       },
       S_OK, Value::MakeList({Value::String("a"), Value::Boolean(true)})},
      {"empty array of VARIANT",
       [](VARIANT& v) { V_VT(&v) = VT_ARRAY | VT_VARIANT, V_ARRAY(&v) = Variants({}, {}); }, S_OK,
       Value::Strings({})},
      {"array of VARIANT holding a date",
       [](VARIANT& v) {
         SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 1);
         VARIANT item;
         VariantInit(&item);
         V_VT(&item) = VT_DATE, V_DATE(&item) = 2.0;
         LONG i = 0;
         SafeArrayPutElement(array, &i, &item);
         V_VT(&v) = VT_ARRAY | VT_VARIANT, V_ARRAY(&v) = array;
       },
       DISP_E_TYPEMISMATCH, Value()},
      {"array of I4",
       [](VARIANT& v) {
         V_VT(&v) = VT_ARRAY | VT_I4, V_ARRAY(&v) = SafeArrayCreateVector(VT_I4, 0, 1);
       },
       DISP_E_TYPEMISMATCH, Value()},
      {"two-dimensional array of BSTR",
       [](VARIANT& v) {
         SAFEARRAYBOUND bounds[2] = {{1, 0}, {1, 0}};
         V_VT(&v) = VT_ARRAY | VT_BSTR, V_ARRAY(&v) = SafeArrayCreate(VT_BSTR, 2, bounds);
       },
       DISP_E_TYPEMISMATCH, Value()},
      {"date", [](VARIANT& v) { V_VT(&v) = VT_DATE, V_DATE(&v) = 1.0; }, DISP_E_TYPEMISMATCH,
       Value()},
      {"object", [](VARIANT& v) { V_VT(&v) = VT_DISPATCH, V_DISPATCH(&v) = nullptr; },
       DISP_E_TYPEMISMATCH, Value()},
      {"I4 by reference",
       [](VARIANT& v) { V_VT(&v) = VT_BYREF | VT_I4, V_I4REF(&v) = &byReferenceLong; }, S_OK,
       Value::Integer(42)},
      {"VARIANT by reference",
       [](VARIANT& v) { V_VT(&v) = VT_BYREF | VT_VARIANT, V_VARIANTREF(&v) = &inner; }, S_OK,
       Value::Double(0.25)},
  };
  return rows;
}

TEST(AutomationValues, ReadsEachVariantKindOrRefusesIt) {
  for (const InRow& row : InRows()) {
    Variant given;
    row.make(given.v);
    Value value = Value::String("untouched");
    const HRESULT result = FromVariant(given.v, value);
    EXPECT_EQ(result, row.result) << row.name;
    // A refused VARIANT leaves the value as it was.
    EXPECT_EQ(value, row.result == S_OK ? row.value : Value::String("untouched")) << row.name;
  }
}

struct OutRow {
  Value value;
  VARTYPE type;
  HRESULT result;
};

TEST(AutomationValues, WritesEachValueKindAsItsVariantAndBack) {
  const OutRow rows[] = {
      {Value(), VT_EMPTY, S_OK},
      {Value::Null(), VT_NULL, S_OK},
      {Value::Integer(-3), VT_I4, S_OK},
      {Value::Double(0.5), VT_R8, S_OK},
      {Value::Boolean(true), VT_BOOL, S_OK},
      {Value::String(std::string("a\0\xc3\xa9", 4)), VT_BSTR, S_OK},
      {Value::Strings({"SQL Server", ""}), VT_ARRAY | VT_VARIANT, S_OK},
      {Value::Strings({}), VT_ARRAY | VT_VARIANT, S_OK},
      {Value::Booleans({false, true, true}), VT_ARRAY | VT_VARIANT, S_OK},
      {Value::MakeList({Value::Integer(1), Value::Strings({"x"})}), VT_ARRAY | VT_VARIANT, S_OK},
      {Value::MakeObject({{"a", Value::Integer(1)}}), VT_EMPTY, DISP_E_TYPEMISMATCH},
      {Value::MakeList({Value::MakeObject({})}), VT_EMPTY, DISP_E_TYPEMISMATCH},
  };
  for (const OutRow& row : rows) {
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
  struct Row {
    const char* name;
    std::function<void(VARIANT&)> make;
    HRESULT result;
  };
  const Row rows[] = {
      {"empty", [](VARIANT&) {}, S_OK},
      {"null", [](VARIANT& v) { V_VT(&v) = VT_NULL; }, S_OK},
      {"Nothing", [](VARIANT& v) { V_VT(&v) = VT_DISPATCH, V_DISPATCH(&v) = nullptr; }, S_OK},
      {"a number", [](VARIANT& v) { V_VT(&v) = VT_I4, V_I4(&v) = 1; }, DISP_E_TYPEMISMATCH},
      {"a string", [](VARIANT& v) { V_VT(&v) = VT_BSTR, V_BSTR(&v) = SysAllocString(L"x"); },
       DISP_E_TYPEMISMATCH},
      // An automation object that is no design object (the standard font object).
      {"another object",
       [](VARIANT& v) {
         FONTDESC font{
             sizeof(FONTDESC), const_cast<LPOLESTR>(L"Arial"), {120000, 0}, 400, 0, 0, 0, 0};
         IDispatch* object = nullptr;
         OleCreateFontIndirect(&font, IID_IDispatch, reinterpret_cast<void**>(&object));
         V_VT(&v) = VT_DISPATCH, V_DISPATCH(&v) = object;
       },
       E_NOINTERFACE},
  };
  for (const Row& row : rows) {
    Variant given;
    row.make(given.v);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(ObjectFromVariant(given.v, IID_IDesignObject, &object), row.result) << row.name;
    EXPECT_EQ(object, nullptr) << row.name;
  }
}

TEST(AutomationValues, BstrsCarryUtf8BothWays) {
  static const char kText[] =
      "Daten\xc3\xbc"
      "bersicht \xe2\x82\xac\0end";  // 23 bytes
  const std::string text(kText, sizeof kText - 1);
  BSTR made = ToBstr(text);
  EXPECT_EQ(SysStringLen(made), 20u);  // UTF-16 units, the NUL among them
  EXPECT_EQ(FromBstr(made), text);
  SysFreeString(made);
  EXPECT_EQ(FromBstr(nullptr), "");
}

}  // namespace
}  // namespace lumora::com
