#include "contract/Value.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <type_traits>
#include <variant>

#include "contract/Failure.h"
#include "contract/Int16.h"
#include "contract/Text.h"

namespace lumora {
namespace {

constexpr int32_t kInvalidUseOfNull = 94;

bool ParseNumber(const std::string& text, double& out) {
  std::string t(TrimOf(text));
  if (t.empty()) return false;
  const char* first = t.data();
  if (*first == '+') ++first;
  auto [ptr, ec] = std::from_chars(first, t.data() + t.size(), out);
  return ec == std::errc() && ptr == t.data() + t.size();
}

// Round half to even, as the classic CLng does.
int32_t RoundToLong(double d) {
  if (std::isnan(d)) Raise(kOverflow);
  double r = std::nearbyint(d);
  if (r < INT32_MIN || r > INT32_MAX) Raise(kOverflow);
  return static_cast<int32_t>(r);
}

std::string FormatDouble(double d) {
  char buf[64];
  for (int precision = 1; precision <= 17; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*g", precision, d);
    if (std::strtod(buf, nullptr) == d) break;
  }
  return buf;
}

template <class T>
struct IsShared : std::false_type {};
template <class T>
struct IsShared<std::shared_ptr<const T>> : std::true_type {};

}  // namespace

Value Value::Null() {
  return Value(Storage(NullTag{}));
}
Value Value::Boolean(bool b) {
  return Value(Storage(b));
}
Value Value::Integer(int32_t i) {
  return Value(Storage(i));
}
Value Value::Double(double d) {
  return Value(Storage(d));
}
Value Value::String(std::string s) {
  return Value(Storage(std::move(s)));
}
Value Value::Strings(std::vector<std::string> items) {
  return Value(Storage(std::make_shared<const std::vector<std::string>>(std::move(items))));
}
Value Value::Booleans(std::vector<bool> items) {
  return Value(Storage(std::make_shared<const std::vector<bool>>(std::move(items))));
}
Value Value::MakeList(List items) {
  return Value(Storage(std::make_shared<const List>(std::move(items))));
}
Value Value::MakeObject(Object members) {
  return Value(Storage(std::make_shared<const Object>(std::move(members))));
}

Value::Kind Value::kind() const {
  return static_cast<Kind>(storage_.index());
}

bool Value::IsArray() const {
  Kind k = kind();
  return k == Kind::StringArray || k == Kind::BooleanArray || k == Kind::List;
}

int32_t Value::ToLong() const {
  switch (kind()) {
    case Kind::Empty:
      return 0;
    case Kind::Null:
      Raise(kInvalidUseOfNull, "Invalid use of Null", kComponentSource);
    case Kind::Boolean:
      return std::get<bool>(storage_) ? -1 : 0;
    case Kind::Integer:
      return std::get<int32_t>(storage_);
    case Kind::Double:
      return RoundToLong(std::get<double>(storage_));
    case Kind::String: {
      double d = 0;
      if (!ParseNumber(std::get<std::string>(storage_), d)) Raise(kTypeMismatch);
      return RoundToLong(d);
    }
    default:
      Raise(kTypeMismatch);
  }
}

double Value::ToDouble() const {
  switch (kind()) {
    case Kind::Empty:
      return 0;
    case Kind::Double:
      return std::get<double>(storage_);
    case Kind::String: {
      double d = 0;
      if (!ParseNumber(std::get<std::string>(storage_), d)) Raise(kTypeMismatch);
      return d;
    }
    default:
      return ToLong();
  }
}

bool Value::ToBool() const {
  switch (kind()) {
    case Kind::Empty:
      return false;
    case Kind::Boolean:
      return std::get<bool>(storage_);
    case Kind::Integer:
      return std::get<int32_t>(storage_) != 0;
    case Kind::Double:
      return std::get<double>(storage_) != 0;
    case Kind::String: {
      const std::string t(TrimOf(std::get<std::string>(storage_)));
      if (EqualsIgnoringAsciiCase(t, "true")) return true;
      if (EqualsIgnoringAsciiCase(t, "false")) return false;
      double d = 0;
      if (!ParseNumber(t, d)) Raise(kTypeMismatch);
      return d != 0;
    }
    case Kind::Null:
      Raise(kInvalidUseOfNull, "Invalid use of Null", kComponentSource);
    default:
      Raise(kTypeMismatch);
  }
}

std::string Value::ToString() const {
  switch (kind()) {
    case Kind::Empty:
      return {};
    case Kind::Boolean:
      return std::get<bool>(storage_) ? "True" : "False";
    case Kind::Integer:
      return std::to_string(std::get<int32_t>(storage_));
    case Kind::Double:
      return FormatDouble(std::get<double>(storage_));
    case Kind::String:
      return std::get<std::string>(storage_);
    case Kind::Null:
      Raise(kInvalidUseOfNull, "Invalid use of Null", kComponentSource);
    default:
      Raise(kTypeMismatch);
  }
}

int32_t Value::UpperBound() const {
  switch (kind()) {
    case Kind::StringArray:
      return ToInt32(
          static_cast<int64_t>(std::get<Shared<std::vector<std::string>>>(storage_)->size()) - 1);
    case Kind::BooleanArray:
      return ToInt32(static_cast<int64_t>(std::get<Shared<std::vector<bool>>>(storage_)->size()) -
                     1);
    case Kind::List:
      return ToInt32(static_cast<int64_t>(std::get<Shared<List>>(storage_)->size()) - 1);
    default:
      Raise(kTypeMismatch);
  }
}

Value Value::At(int32_t index) const {
  if (!IsArray()) Raise(kTypeMismatch);
  if (index < 0 || index > UpperBound()) Raise(kSubscriptOutOfRange);
  switch (kind()) {
    case Kind::StringArray:
      return String((*std::get<Shared<std::vector<std::string>>>(storage_))[index]);
    case Kind::BooleanArray:
      return Boolean((*std::get<Shared<std::vector<bool>>>(storage_))[index]);
    default:
      return (*std::get<Shared<List>>(storage_))[index];
  }
}

std::string Value::StringAt(int32_t index) const {
  if (kind() == Kind::StringArray && index >= 0 && index <= UpperBound()) {
    return (*std::get<Shared<std::vector<std::string>>>(storage_))[index];
  }
  return At(index).ToString();
}

bool Value::SharesElementsWith(const Value& other) const {
  if (storage_.index() != other.storage_.index()) return false;
  return std::visit(
      [&](const auto& mine) {
        using T = std::decay_t<decltype(mine)>;
        if constexpr (std::is_same_v<T, Shared<std::vector<std::string>>> ||
                      std::is_same_v<T, Shared<std::vector<bool>>> ||
                      std::is_same_v<T, Shared<List>> || std::is_same_v<T, Shared<Object>>) {
          return mine != nullptr && mine == std::get<T>(other.storage_);
        } else {
          return false;
        }
      },
      storage_);
}

const std::string& Value::AsText() const {
  if (kind() != Kind::String) Raise(kTypeMismatch);
  return std::get<std::string>(storage_);
}

const std::vector<std::string>& Value::AsStrings() const {
  if (kind() != Kind::StringArray) Raise(kTypeMismatch);
  return *std::get<Shared<std::vector<std::string>>>(storage_);
}

const std::vector<bool>& Value::AsBooleans() const {
  if (kind() != Kind::BooleanArray) Raise(kTypeMismatch);
  return *std::get<Shared<std::vector<bool>>>(storage_);
}

const Value::List& Value::AsList() const {
  if (kind() != Kind::List) Raise(kTypeMismatch);
  return *std::get<Shared<List>>(storage_);
}

const Value::Object& Value::AsObject() const {
  if (kind() != Kind::Object) Raise(kTypeMismatch);
  return *std::get<Shared<Object>>(storage_);
}

bool Value::operator==(const Value& other) const {
  if (storage_.index() != other.storage_.index()) return false;
  return std::visit(
      [&other](const auto& mine) {
        using T = std::decay_t<decltype(mine)>;
        const T& theirs = std::get<T>(other.storage_);
        if constexpr (IsShared<T>::value) {
          return *mine == *theirs;
        } else {
          return mine == theirs;
        }
      },
      storage_);
}

}  // namespace lumora
