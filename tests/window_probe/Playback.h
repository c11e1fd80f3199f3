// A wizard script played in a real window, for the project's screenshot tools (part of the window
// probe, never of the product). Actions are those of the headless script driver and go through
// UserInput one at a time, a moment apart, once the window has painted; `dump` saves the window
// as shot-N.png in the shots folder.
// Message boxes are saved the same way and answered after a moment. A failing action is
// printed on standard error and closes the window with its close box.
#pragma once

#include <QObject>
#include <QString>
#include <string>
#include <vector>

#include "platform/forms/ScriptParser.h"

class QMessageBox;
class QWidget;

namespace lumora::forms {

class FormWindow;

class Playback : public QObject {
 public:
  Playback(FormWindow& window, const std::string& scriptFile, const std::string& grabFolder);

  void Start();
  // Saves the message box and answers it with its default button shortly after it is shown.
  void Answer(QMessageBox& box);
  // Saves `widget` as shot-N.png (N counting every shot) or, given a name, as NAME.png.
  void Shoot(QWidget& widget, const std::string& name = {});

 private:
  void Step();
  // Plays one action; returns why a person could not do it ("" when done).
  std::string Play(const ScriptAction& action);
  void Stop(const std::string& message);

  FormWindow& window_;
  std::string file_;
  QString grab_;
  std::vector<ScriptAction> actions_;
  size_t next_ = 0;
  int shots_ = 0;
};

}  // namespace lumora::forms
