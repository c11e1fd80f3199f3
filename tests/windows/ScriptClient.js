// A script host as a client of the COM server: makes LumoraCtl and a design object by their
// ProgIDs, asks the build-time question for each feature path of a file (one per line) and prints
// the answers as `lumora build` does; with a wizard script, plays it headless through Display and
// saves the object when the wizard finished. A failed call prints its error and ends with 1.
//   cscript //nologo ScriptClient.js OBJECT FEATURES [WIZARD_SCRIPT]
var args = WScript.Arguments;
try {
  var ctl = new ActiveXObject("BVLumora.LumoraCtl");
  var object = new ActiveXObject("BVLumora.DesignObjectFile");
  object.Open(args(0));
  var fso = new ActiveXObject("Scripting.FileSystemObject");
  var stream = fso.OpenTextFile(args(1), 1);
  var features = stream.AtEndOfStream ? [] : stream.ReadAll().split(/\r?\n/);
  for (var i = 0; i < features.length; i++) {
    if (features[i] == "") continue;
    WScript.Echo((ctl.IsIncluded(object, features[i]) ? "true" : "false") + "\t" + features[i]);
  }
  if (args.length > 2) {
    object.WizardScript = args(2);
    var finished = ctl.Display(object);
    if (finished) object.Save();
    WScript.Echo("Display: " + finished);
  }
} catch (e) {
  // A classic run-time error arrives as 0x800Annnn, its number in the low word.
  var number = (e.number >>> 16) == 0x800A ? e.number & 0xFFFF : (e.number >>> 0).toString(16);
  WScript.Echo("error " + number + ": " + e.description);
  WScript.Quit(1);
}
