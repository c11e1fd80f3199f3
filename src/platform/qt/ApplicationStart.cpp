#include "platform/qt/ApplicationStart.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>

#include <QLibraryInfo>
#include <QString>
#include <string>

namespace lumora::forms {
namespace {

// The X11 platform plugin's file when Qt will start with it: no platform is asked for but that
// one, the session is not Wayland's, and no plugin path may hold another copy; else "".
std::string PlatformPluginToLoad() {
  const QByteArray asked = qgetenv("QT_QPA_PLATFORM");
  if (!(asked.isEmpty() || asked == "xcb") || qgetenv("XDG_SESSION_TYPE") == "wayland" ||
      !qEnvironmentVariableIsEmpty("QT_PLUGIN_PATH") || qEnvironmentVariableIsEmpty("DISPLAY")) {
    return {};
  }
  return (QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqxcb.so")
      .toLocal8Bit()
      .toStdString();
}

}  // namespace

std::function<void()> PlanApplicationStart() {
  return [plugin = PlatformPluginToLoad()] {
    // Loaded first, as the start needs it first, and kept loaded as Qt keeps it; Qt's own
    // loading then finds it loaded. A plugin that cannot be loaded is Qt's to report, and so is
    // a font configuration that cannot be read.
    if (!plugin.empty()) static_cast<void>(::dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL));
    static_cast<void>(FcInit());
  };
}

}  // namespace lumora::forms
