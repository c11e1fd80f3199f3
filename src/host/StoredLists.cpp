#include "host/StoredLists.h"

#include <optional>
#include <vector>

#include "contract/DesignObject.h"
#include "contract/Failure.h"
#include "contract/MessageText.h"

namespace lumora {

std::string StoredText(const Value& list, int32_t i) {
  try {
    return list.StringAt(i);
  } catch (const Failure&) {
    return {};
  }
}

bool StoredFlag(const Value& list, int32_t i) {
  try {
    return list.At(i).ToBool();
  } catch (const Failure&) {
    return false;
  }
}

int32_t StoredUpperBound(const Value& list) {
  try {
    return list.IsEmpty() ? -1 : list.UpperBound();
  } catch (const Failure&) {
    return -1;
  }
}

namespace {

enum class Element { String, Boolean };

struct Member {
  const char* name;
  Element element;
};

struct Family {
  std::vector<Member> members;  // the first one names the family
};

const std::vector<Family>& Families() {
  static const std::vector<Family> families = {
      {{{"Drivers", Element::String},
        {"DriversInfo", Element::String},
        {"DriversSelections", Element::Boolean}}},
      {{{"DataSources", Element::String},
        {"DataSourcesInfo", Element::String},
        {"DataSourcesTypes", Element::String},
        {"DataSourcesSelections", Element::Boolean},
        {"DataSourcesUninstFlags", Element::Boolean}}},
  };
  return families;
}

constexpr size_t kMaxEntries = 32767;

std::string KindName(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::Null:
      return "null";
    case Value::Kind::Boolean:
      return "a boolean";
    case Value::Kind::Integer:
      return "an integer";
    case Value::Kind::Double:
      return "a number";
    case Value::Kind::String:
      return "a string";
    case Value::Kind::StringArray:
      return "an array of strings";
    case Value::Kind::BooleanArray:
      return "an array of booleans";
    case Value::Kind::List:
      return "an array of mixed values";
    case Value::Kind::Object:
      return "an object";
    default:
      return "empty";
  }
}

// The number of entries of `value` when it is an array of `element` (an absent property and
// `[]` hold none), else nullopt.
std::optional<size_t> EntriesOf(const Value& value, Element element) {
  if (value.IsEmpty()) return 0;
  if (value.kind() == Value::Kind::StringArray) {
    if (element == Element::String || value.AsStrings().empty()) return value.AsStrings().size();
    return std::nullopt;
  }
  if (value.kind() == Value::Kind::BooleanArray && element == Element::Boolean) {
    return value.AsBooleans().size();
  }
  return std::nullopt;
}

}  // namespace

std::string CheckStoredLists(DesignObject& object, const std::string& objectName) {
  const std::string file = EscapeForMessage(objectName);
  // The wizard reads the version as a number.
  if (const Value version = object.GetProperty("DTDBVerNo"); !version.IsEmpty()) {
    try {
      (void)version.ToLong();
    } catch (const Failure&) {
      return file + ": property \"DTDBVerNo\" must be a whole number, not " + KindName(version);
    }
  }
  for (const Family& family : Families()) {
    std::optional<size_t> length;
    const char* first = nullptr;
    for (const Member& member : family.members) {
      const Value value = object.GetProperty(member.name);
      const std::optional<size_t> entries = EntriesOf(value, member.element);
      const std::string property = "property \"" + std::string(member.name) + "\"";
      if (!entries) {
        return file + ": " + property + " must be an array of " +
               (member.element == Element::String ? "strings" : "booleans") + ", not " +
               KindName(value);
      }
      if (*entries > kMaxEntries) {
        return file + ": " + property + " holds " + std::to_string(*entries) +
               " entries; the wizard holds at most " + std::to_string(kMaxEntries);
      }
      if (!length) {
        length = entries;
        first = member.name;
      } else if (*entries != *length) {
        return file + ": " + property + " holds " + std::to_string(*entries) + " entries but \"" +
               first + "\" holds " + std::to_string(*length) +
               "; the lists of one kind must be of equal length";
      }
    }
  }
  return {};
}

}  // namespace lumora
