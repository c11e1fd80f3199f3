#include "platform/qt/FontConfiguration.h"

#include <fontconfig/fontconfig.h>

namespace lumora::forms {

void ReadFontConfiguration() {
  // A configuration that cannot be read is Qt's to report when it looks for fonts.
  static_cast<void>(FcInit());
}

}  // namespace lumora::forms
