// A design-object property value, as the host hands it to the component: empty (never put),
// a 32-bit integer, an array of strings or of booleans (lower bound 0), or any other value a
// design-object file may hold (boolean, number, string, null, mixed list, object), kept as it is.
// Copies share the elements of arrays, lists and objects (which never change once made).
// The conversions follow the classic rules (CLng, CBool, CStr, UBound, element access) and fail
// with the classic error numbers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace lumora {

class Value {
 public:
  enum class Kind {
    Empty,
    Null,
    Boolean,
    Integer,
    Double,
    String,
    StringArray,
    BooleanArray,
    List,
    Object
  };
  using List = std::vector<Value>;
  using Object = std::vector<std::pair<std::string, Value>>;  // keys in their stored order

  Value() = default;
  static Value Null();
  static Value Boolean(bool b);
  static Value Integer(int32_t i);
  static Value Double(double d);
  static Value String(std::string s);
  static Value Strings(std::vector<std::string> items);
  static Value Booleans(std::vector<bool> items);
  static Value MakeList(List items);
  static Value MakeObject(Object members);

  Kind kind() const;
  bool IsEmpty() const { return kind() == Kind::Empty; }
  bool IsArray() const;

  // Classic conversions; each fails with 13 (type mismatch), 94 (null) or 6 (overflow).
  int32_t ToLong() const;        // empty gives 0
  bool ToBool() const;           // empty gives false
  double ToDouble() const;       // empty gives 0
  std::string ToString() const;  // empty gives ""

  // Array access: UBound (-1 for an empty array) and element i (fails with 9 out of range).
  int32_t UpperBound() const;
  Value At(int32_t index) const;
  std::string StringAt(int32_t index) const;  // At(index).ToString(), one copy of the text

  // Direct views; each fails with 13 when the value is of another kind.
  const std::string& AsText() const;
  const std::vector<std::string>& AsStrings() const;
  const std::vector<bool>& AsBooleans() const;
  const List& AsList() const;
  const Object& AsObject() const;

  bool operator==(const Value& other) const;
  // Whether both are arrays, lists or objects holding the very same elements (one made, then
  // copied): they are equal, and stay so.
  bool SharesElementsWith(const Value& other) const;

 private:
  struct NullTag {
    bool operator==(const NullTag&) const = default;
  };
  // Arrays, lists and objects are never changed once made, so copies of a value share them:
  // handing a stored list to a caller costs no copy of its elements.
  template <class T>
  using Shared = std::shared_ptr<const T>;
  using Storage = std::variant<std::monostate, NullTag, bool, int32_t, double, std::string,
                               Shared<std::vector<std::string>>, Shared<std::vector<bool>>,
                               Shared<List>, Shared<Object>>;
  explicit Value(Storage s) : storage_(std::move(s)) {}
  Storage storage_;
};

}  // namespace lumora
