#include "platform/qt/ApplicationStart.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>

#include <QLibraryInfo>
#include <QString>

namespace lumora::forms {
namespace {

// The X11 platform plugin when Qt will start with it: no platform is asked for but that one,
// the session is not Wayland's, and no plugin path may hold another copy. Qt's own loading of
// it then finds it loaded.
void LoadPlatformPlugin() {
  const QByteArray asked = qgetenv("QT_QPA_PLATFORM");
  if (!(asked.isEmpty() || asked == "xcb") || qgetenv("XDG_SESSION_TYPE") == "wayland" ||
      !qEnvironmentVariableIsEmpty("QT_PLUGIN_PATH") || qEnvironmentVariableIsEmpty("DISPLAY")) {
    return;
  }
  const QString file = QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqxcb.so";
  // Kept loaded, as Qt keeps it; a plugin that cannot be loaded is Qt's to report.
  static_cast<void>(::dlopen(file.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL));
}

}  // namespace

void PrepareApplicationStart() {
  LoadPlatformPlugin();  // needed first
  // A configuration that cannot be read is Qt's to report when it looks for fonts.
  static_cast<void>(FcInit());
}

}  // namespace lumora::forms
