#include "marshal/Marshal.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "contract/Failure.h"
#include "marshal/ComObject.h"

namespace lumora::marshal {
namespace {

LumoraString NewString(const std::string& text) {
  if (text.empty()) return LumoraString{nullptr, 0};
  char* data = new char[text.size()];
  std::memcpy(data, text.data(), text.size());
  return LumoraString{data, text.size()};
}

void FreeString(const LumoraString& text) {
  delete[] text.data;
}

}  // namespace

bool SameGuid(const LumoraGuid& a, const LumoraGuid& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string GuidText(const LumoraGuid& guid) {
  // The fields by their layout, which the system's GUID shares under other names.
  struct {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
  } g;
  static_assert(sizeof g == sizeof guid);
  std::memcpy(&g, &guid, sizeof g);
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.data1), g.data2, g.data3, g.data4[0], g.data4[1],
                g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

namespace {

// The C value of `value`; `copy` copies the strings inside arrays, lists and objects, else they
// are views of `value`'s. A lone string (`top`) is always copied.
LumoraValue MakeCValue(const Value& value, bool copy, bool top) {
  auto text = [&](const std::string& s) { return copy ? NewString(s) : View(s); };
  LumoraValue c{};
  switch (value.kind()) {
    case Value::Kind::Empty:
      c.kind = LUMORA_VALUE_EMPTY;
      break;
    case Value::Kind::Null:
      c.kind = LUMORA_VALUE_NULL;
      break;
    case Value::Kind::Boolean:
      c.kind = LUMORA_VALUE_BOOLEAN;
      c.as.boolean = value.ToBool() ? 1 : 0;
      break;
    case Value::Kind::Integer:
      c.kind = LUMORA_VALUE_INTEGER;
      c.as.integer = value.ToLong();
      break;
    case Value::Kind::Double:
      c.kind = LUMORA_VALUE_DOUBLE;
      c.as.number = value.ToDouble();
      break;
    case Value::Kind::String:
      c.kind = LUMORA_VALUE_STRING;
      c.as.string = top ? NewString(value.AsText()) : text(value.AsText());
      break;
    case Value::Kind::StringArray: {
      const auto& items = value.AsStrings();
      auto* out = new LumoraString[items.size() == 0 ? 1 : items.size()];
      for (size_t i = 0; i < items.size(); ++i) out[i] = text(items[i]);
      c.kind = LUMORA_VALUE_STRING_ARRAY;
      c.as.strings.items = out;
      c.as.strings.count = items.size();
      break;
    }
    case Value::Kind::BooleanArray: {
      const auto& items = value.AsBooleans();
      auto* out = new uint8_t[items.size() == 0 ? 1 : items.size()];
      for (size_t i = 0; i < items.size(); ++i) out[i] = items[i] ? 1 : 0;
      c.kind = LUMORA_VALUE_BOOLEAN_ARRAY;
      c.as.booleans.items = out;
      c.as.booleans.count = items.size();
      break;
    }
    case Value::Kind::List: {
      const auto& items = value.AsList();
      auto* out = new LumoraValue[items.size() == 0 ? 1 : items.size()]();
      for (size_t i = 0; i < items.size(); ++i) out[i] = MakeCValue(items[i], copy, false);
      c.kind = LUMORA_VALUE_LIST;
      c.as.list.items = out;
      c.as.list.count = items.size();
      break;
    }
    case Value::Kind::Object: {
      const auto& members = value.AsObject();
      auto* out = new LumoraMember[members.size() == 0 ? 1 : members.size()]();
      for (size_t i = 0; i < members.size(); ++i) {
        out[i].name = text(members[i].first);
        out[i].value = MakeCValue(members[i].second, copy, false);
      }
      c.kind = LUMORA_VALUE_OBJECT;
      c.as.object.members = out;
      c.as.object.count = members.size();
      break;
    }
  }
  return c;
}

void FreeC(LumoraValue& c, bool copy, bool top) {
  switch (c.kind) {
    case LUMORA_VALUE_STRING:
      if (copy || top) FreeString(c.as.string);
      break;
    case LUMORA_VALUE_STRING_ARRAY:
      if (copy) {
        for (size_t i = 0; i < c.as.strings.count; ++i) FreeString(c.as.strings.items[i]);
      }
      delete[] c.as.strings.items;
      break;
    case LUMORA_VALUE_BOOLEAN_ARRAY:
      delete[] c.as.booleans.items;
      break;
    case LUMORA_VALUE_LIST: {
      auto* items = const_cast<LumoraValue*>(c.as.list.items);
      for (size_t i = 0; i < c.as.list.count; ++i) FreeC(items[i], copy, false);
      delete[] items;
      break;
    }
    case LUMORA_VALUE_OBJECT: {
      auto* members = const_cast<LumoraMember*>(c.as.object.members);
      for (size_t i = 0; i < c.as.object.count; ++i) {
        if (copy) FreeString(members[i].name);
        FreeC(members[i].value, copy, false);
      }
      delete[] members;
      break;
    }
    default:
      break;
  }
  c = LumoraValue{};
}

}  // namespace

LumoraValue ToCValue(const Value& value) {
  return MakeCValue(value, true, true);
}

void FreeCValue(LumoraValue& c) {
  FreeC(c, true, true);
}

LumoraValue ViewCValue(const Value& value) {
  return MakeCValue(value, false, true);
}

void FreeCView(LumoraValue& view) {
  FreeC(view, false, true);
}

const void* TableOf(const LumoraValue& c) {
  switch (c.kind) {
    case LUMORA_VALUE_STRING_ARRAY:
      return c.as.strings.items;
    case LUMORA_VALUE_BOOLEAN_ARRAY:
      return c.as.booleans.items;
    case LUMORA_VALUE_LIST:
      return c.as.list.items;
    case LUMORA_VALUE_OBJECT:
      return c.as.object.members;
    default:
      return nullptr;
  }
}

Value FromCValue(const LumoraValue& c) {
  switch (c.kind) {
    case LUMORA_VALUE_EMPTY:
      return Value();
    case LUMORA_VALUE_NULL:
      return Value::Null();
    case LUMORA_VALUE_BOOLEAN:
      return Value::Boolean(c.as.boolean != 0);
    case LUMORA_VALUE_INTEGER:
      return Value::Integer(c.as.integer);
    case LUMORA_VALUE_DOUBLE:
      return Value::Double(c.as.number);
    case LUMORA_VALUE_STRING:
      return Value::String(Copy(c.as.string));
    case LUMORA_VALUE_STRING_ARRAY: {
      std::vector<std::string> items;
      items.reserve(c.as.strings.count);
      for (size_t i = 0; i < c.as.strings.count; ++i) items.push_back(Copy(c.as.strings.items[i]));
      return Value::Strings(std::move(items));
    }
    case LUMORA_VALUE_BOOLEAN_ARRAY: {
      std::vector<bool> items;
      items.reserve(c.as.booleans.count);
      for (size_t i = 0; i < c.as.booleans.count; ++i) items.push_back(c.as.booleans.items[i] != 0);
      return Value::Booleans(std::move(items));
    }
    case LUMORA_VALUE_LIST: {
      Value::List items;
      items.reserve(c.as.list.count);
      for (size_t i = 0; i < c.as.list.count; ++i) items.push_back(FromCValue(c.as.list.items[i]));
      return Value::MakeList(std::move(items));
    }
    case LUMORA_VALUE_OBJECT: {
      Value::Object members;
      members.reserve(c.as.object.count);
      for (size_t i = 0; i < c.as.object.count; ++i) {
        members.emplace_back(Copy(c.as.object.members[i].name),
                             FromCValue(c.as.object.members[i].value));
      }
      return Value::MakeObject(std::move(members));
    }
    default:
      Raise(kTypeMismatch);
  }
}

namespace {

// A reference-counted failure: the strings it hands out live as long as the object.
struct FailureInfoObject : ComObject<FailureInfoObject> {
  using Self = FailureInfoObject;
  Face<IFailureInfo, Self> face;
  FailureText failure;
  std::atomic<long>* liveObjects;

  FailureInfoObject(FailureText text, std::atomic<long>* live);
  ~FailureInfoObject() {
    if (liveObjects != nullptr) --*liveObjects;
  }
  LumoraHResult QueryInterface(const LumoraGuid* iid, void** out) {
    return Query(iid, out, {{&IID_IFailureInfo, &face}});
  }

  static const FailureText& Of(IFailureInfo* self) {
    return Face<IFailureInfo, Self>::OwnerOf(self)->failure;
  }
  static LumoraHResult LUMORA_CALL GetNumber(IFailureInfo* self, int32_t* number) {
    if (number == nullptr) return LUMORA_E_POINTER;
    *number = Of(self).number;
    return LUMORA_S_OK;
  }
  static LumoraHResult LUMORA_CALL GetDescription(IFailureInfo* self, LumoraString* text) {
    if (text == nullptr) return LUMORA_E_POINTER;
    *text = View(Of(self).description);
    return LUMORA_S_OK;
  }
  static LumoraHResult LUMORA_CALL GetSource(IFailureInfo* self, LumoraString* text) {
    if (text == nullptr) return LUMORA_E_POINTER;
    *text = View(Of(self).source);
    return LUMORA_S_OK;
  }
};

using FailureInfoUnknown = Unknown<IFailureInfo, FailureInfoObject>;
const IFailureInfoVtbl kFailureInfoVtbl = {
    FailureInfoUnknown::QueryInterface, FailureInfoUnknown::AddRef,
    FailureInfoUnknown::Release,        FailureInfoObject::GetNumber,
    FailureInfoObject::GetDescription,  FailureInfoObject::GetSource};

FailureInfoObject::FailureInfoObject(FailureText text, std::atomic<long>* live)
    : face{&kFailureInfoVtbl, this}, failure(std::move(text)), liveObjects(live) {
  if (liveObjects != nullptr) ++*liveObjects;
}

}  // namespace

IFailureInfo* NewFailureInfo(FailureText failure, std::atomic<long>* liveObjects) {
  auto* object = new (std::nothrow) FailureInfoObject(std::move(failure), liveObjects);
  return object != nullptr ? object->face.get() : nullptr;
}

FailureText ReadFailureInfo(IFailureInfo* info) {
  FailureText failure;
  if (info == nullptr) return failure;
  LumoraString text{};
  info->lpVtbl->GetNumber(info, &failure.number);
  if (LUMORA_SUCCEEDED(info->lpVtbl->GetDescription(info, &text))) failure.description = Copy(text);
  text = LumoraString{};
  if (LUMORA_SUCCEEDED(info->lpVtbl->GetSource(info, &text))) failure.source = Copy(text);
  return failure;
}

}  // namespace lumora::marshal
