// One ODBC data source. A new one is a user data source. UserDSN and SystemDSN are never both
// true: setting either to true clears the other; setting either to false leaves the other.
#pragma once

#include <memory>
#include <string>

#include "model/MemberName.h"

namespace lumora {

class DataSource {
 public:
  bool Uninstall() const { return uninstall_; }
  void SetUninstall(bool value) { uninstall_ = value; }
  bool Selected() const { return selected_; }
  void SetSelected(bool value) { selected_ = value; }
  bool UserDSN() const { return userDSN_; }
  void SetUserDSN(bool value) {
    userDSN_ = value;
    if (value) systemDSN_ = false;
  }
  bool SystemDSN() const { return systemDSN_; }
  void SetSystemDSN(bool value) {
    systemDSN_ = value;
    if (value) userDSN_ = false;
  }
  const std::string& Name() const { return name_.get(); }
  void SetName(std::string value) { name_.set(std::move(value)); }
  const MemberName& NameHandle() const { return name_; }
  const std::string& AttribsString() const { return attribsString_; }
  void SetAttribsString(std::string value) { attribsString_ = std::move(value); }

 private:
  MemberName name_;
  std::string attribsString_;
  bool userDSN_ = true;
  bool systemDSN_ = false;
  bool selected_ = false;
  bool uninstall_ = false;
};

using DataSourcePtr = std::shared_ptr<DataSource>;

}  // namespace lumora
