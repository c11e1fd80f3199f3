// lumora wizard OBJECT [--script FILE | --ui window|terminal]: the component's wizard on a design
// object, played headless from a script, or shown to a person: in a window when a display can be
// reached, else in the terminal (the component loads its window or terminal library then). An
// OBJECT that does not exist yet opens as an empty object and is made by Finish. Exit 0 after
// Finish (the object rewritten), 1 when the wizard ended otherwise (the file untouched) or the
// object could not be saved (the choices in a recovery file), 2 for a bad script, bad host
// settings or no window to show (nothing written), 128+N when signal N stopped the save.
#include <CLI/CLI.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <memory>

#include "Command.h"
#include "ComponentHost.h"
#include "StopSignals.h"
#include "contract/HostError.h"
#include "contract/LocalPaths.h"
#include "contract/MessageText.h"
#include "host/DesignObjectFile.h"
#include "platform/FileSystem.h"
#include "host/StoredLists.h"
#include "hostlib/DataFolder.h"

namespace lumora::cli {
namespace {

// Writes the object back after Finish; throws HostError when it cannot be (unless a signal
// stopped the save).
ExitStatus SaveObject(DesignObjectFile& object) {
  StopSignalsDuringSave signals;
  SaveOptions options;
  options.waiting = [](const std::string& message) { PrintError(message); };
  options.stopRequested = [] { return StopSignal(); };
  try {
    object.Save(options);
  } catch (const HostError& e) {
    if (StopSignal() == 0) throw;
    PrintError(e.what());
    return static_cast<ExitStatus>(128 + StopSignal());
  }
  if (StopSignal() != 0) {
    PrintError(object.path() + ": saved before the signal " + std::to_string(StopSignal()) +
               " that stops lumora was acted on");
    return static_cast<ExitStatus>(128 + StopSignal());
  }
  return ExitStatus::kDone;
}

// The object to show the wizard on: the file read, or, when there is no file of that name yet
// (as an editor opens a new file), an empty object that Finish makes. A missing folder is an
// error naming it (HostError).
std::shared_ptr<DesignObjectFile> OpenObject(const std::string& path) {
  struct stat st {};
  if (MachineFileSystem().StatPath(path, st) != -ENOENT) return LoadObject(path);
  const std::string folder = FolderOf(path);
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    throw HostError::BadInput(folder + ": there is no such folder for the new design object " +
                              path);
  }
  return std::make_shared<DesignObjectFile>(DesignObjectFile::New(path));
}

// The component reads a missing or unreadable catalogue as one without drivers; the host says
// where it looked, or that the file it found held no section.
void NoteUnusableCatalogue(const Invocation& invocation) {
  const std::string folder = invocation.host.componentDir.empty()
                                 ? layout::DataFolderFor(FolderOf(Component::Locate().path()))
                                 : invocation.host.componentDir;
  const std::string catalogue = folder + "/lumora.ini";
  struct stat st {};
  if (::stat(catalogue.c_str(), &st) != 0) {
    std::fprintf(stderr,
                 "lumora: note: there is no catalogue at %s; the wizard offers no provided "
                 "drivers (--component-dir names the folder of lumora.ini)\n",
                 EscapeForMessage(catalogue).c_str());
  } else {
    WarnOfACatalogueWithoutSections(catalogue, "the wizard offers no provided drivers");
  }
}

}  // namespace

void AddWizardOptions(CLI::App& sub, Invocation& invocation) {
  sub.add_option("OBJECT", invocation.object,
                 "The design-object file (JSON); a new one is made by Finish")
      ->required();
  sub.add_option("--script", invocation.script,
                 "Run headless, playing the actions of FILE (a file, a named pipe or <(...); - "
                 "for standard input): click, tick, untick, choose, type, focus, key, close, dump")
      ->each([&invocation](const std::string&) { invocation.scriptGiven = true; });
  sub.add_option("--ui", invocation.ui,
                 "Show the wizard in a window or in this terminal (default: the window when a "
                 "display can be reached, else the terminal)")
      ->check(CLI::IsMember({"window", "terminal"}))
      ->type_name("WHERE")
      ->excludes("--script");
  sub.footer(
      "Without --script the wizard opens in a window when a display can be reached (DISPLAY or\n"
      "WAYLAND_DISPLAY), else in the terminal when standard input and output are one.\n"
      "In the terminal: Tab/Shift-Tab move, Space ticks or presses, arrows move in lists and\n"
      "option groups, Alt+letter (or Escape then the letter) presses the underlined letter,\n"
      "Enter the button, F1 help, Escape leaves the wizard as Cancel does.\n\n"
      "A script holds one action a line, as a person does it; # starts a comment; texts are in\n"
      "double quotes with the escapes \\\" \\\\ \\r \\n \\t. Controls are named as in the form:\n"
      "  click CONTROL              a button, option button or check box: click cmdNav(3)\n"
      "  tick LIST \"text\"           tick (untick: clear) the first entry with that text\n"
      "  choose COMBO \"text\"|#N     pick an entry by text or 0-based index\n"
      "  type TEXTBOX \"text\"        move into the box and replace its text\n"
      "  focus CONTROL              move the focus\n"
      "  key Escape|F1|Enter        press a key on the form (Enter: the focused button, else the\n"
      "                             Default one)\n"
      "  close                      close the window with its close box\n"
      "  dump                       print the form's state as one JSON line\n"
      "An action a person could not do stops the run naming its line (exit 2, nothing written).\n"
      "Message boxes are answered OK and printed as {\"msgbox\":...}; help as {\"help\":...}.\n"
      "Example: lumora wizard examples/object.json --script examples/demo.script --registry none");
}

ExitStatus RunWizard(const Invocation& invocation) {
  const std::shared_ptr<DesignObjectFile> file = OpenObject(invocation.object);
  // The wizard would load such lists only in part, and Finish would write back only that part.
  RefuseListsThatLoadInPart(*file, invocation.object,
                            "the wizard was not opened and nothing was written");
  Ref<IDevWizard> wizard;
  wizard.Adopt(static_cast<IDevWizard*>(CreateLumoraCtl(IID_IDevWizard)));
  NoteUnusableCatalogue(invocation);
  LumoraWizardMode mode = LUMORA_WIZARD_CHOOSE;
  if (invocation.scriptGiven) {
    mode = LUMORA_WIZARD_SCRIPT;
  } else if (invocation.ui == "window") {
    mode = LUMORA_WIZARD_WINDOW;
  } else if (invocation.ui == "terminal") {
    mode = LUMORA_WIZARD_TERMINAL;
  }
  int32_t finished = 0;
  LumoraHResult result = LUMORA_S_OK;
  Ref<IFailureInfo> error;
  {
    Ref<IDesignObject> object(NewHostDesignObject(file, invocation, mode));
    result = wizard->lpVtbl->Display(wizard.get(), object.get(), &finished, error.Out());
    wizard.Reset();  // ends the wizard session before the object is written
  }
  std::cout.flush();
  if (LUMORA_FAILED(result)) {
    const CallFailure failure = ReadCallFailure(result, error.get());
    PrintError(failure.description);
    return result == LUMORA_E_HOSTINPUT ? ExitStatus::kBadUsage : ExitStatus::kComponentNo;
  }
  if (finished == 0) return ExitStatus::kComponentNo;
  return SaveObject(*file);
}

}  // namespace lumora::cli
