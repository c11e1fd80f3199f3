// One ODBC translator: like a driver, without the desktop-database flag.
#pragma once

#include <memory>
#include <string>

#include "model/MemberName.h"

namespace lumora {

class Translator {
 public:
  bool Selected() const { return selected_; }
  void SetSelected(bool value) { selected_ = value; }
  bool ObjectProvided() const { return objectProvided_; }
  void SetObjectProvided(bool value) { objectProvided_ = value; }
  const std::string& Name() const { return name_.get(); }
  void SetName(std::string value) { name_.set(std::move(value)); }
  const MemberName& NameHandle() const { return name_; }
  const std::string& AttribsString() const { return attribsString_; }
  void SetAttribsString(std::string value) { attribsString_ = std::move(value); }

 private:
  MemberName name_;
  std::string attribsString_;
  bool objectProvided_ = false;
  bool selected_ = false;
};

using TranslatorPtr = std::shared_ptr<Translator>;

}  // namespace lumora
