// One ODBC driver the wizard edits: a plain property holder that validates nothing. Collections
// and callers share it through std::shared_ptr; it holds no reference to anything else.
#pragma once

#include <memory>
#include <string>

#include "model/MemberName.h"

namespace lumora {

class Driver {
 public:
  bool Selected() const { return selected_; }
  void SetSelected(bool value) { selected_ = value; }
  bool ObjectProvided() const { return objectProvided_; }
  void SetObjectProvided(bool value) { objectProvided_ = value; }
  // The driver belongs to the desktop-database family (read from a "DTDB35 "/"DTDB40 " list).
  bool DTDBDriver() const { return dtdbDriver_; }
  void SetDTDBDriver(bool value) { dtdbDriver_ = value; }
  const std::string& Name() const { return name_.get(); }
  void SetName(std::string value) { name_.set(std::move(value)); }
  const MemberName& NameHandle() const { return name_; }
  // name=value lines joined by CR LF, kept exactly as set.
  const std::string& AttribsString() const { return attribsString_; }
  void SetAttribsString(std::string value) { attribsString_ = std::move(value); }

 private:
  MemberName name_;
  std::string attribsString_;
  bool objectProvided_ = false;
  bool selected_ = false;
  bool dtdbDriver_ = false;
};

using DriverPtr = std::shared_ptr<Driver>;

}  // namespace lumora
