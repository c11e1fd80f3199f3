// Typed access to a control array of a form by name, as classic code writes it: fraStep(3),
// cmdNav(0). The array does not own its members; the form does. A missing member fails with
// 340 ("Control array element 'i' doesn't exist").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/forms/Form.h"

namespace lumora::forms {

template <class T>
class ControlArray {
 public:
  ControlArray(const Form& form, std::string name) : form_(form), name_(std::move(name)) {}
  T& operator()(int16_t index) const { return form_.Get<T>(name_, index); }
  std::vector<int16_t> Indexes() const { return form_.ArrayIndexes(name_); }
  int16_t Count() const { return static_cast<int16_t>(Indexes().size()); }
  const std::string& Name() const { return name_; }

 private:
  const Form& form_;
  std::string name_;
};

}  // namespace lumora::forms
