// Fuzzes the design-object file loader. A file is either refused with a HostError
// naming "fuzz.json", or loads; then it is written as the JSON library would write the same
// document, writing every property back unchanged keeps the text, and the serialized text loads
// again and serializes to the same text. Nothing is ever saved.
#include "FuzzSupport.h"
#include "host/DesignObjectFile.h"

using lumora::DesignObjectFile;
using lumora::HostError;
using lumora::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(lumora::fuzz::AsText(data, size));
  std::optional<DesignObjectFile> file;
  try {
    file.emplace(DesignObjectFile::Parse("fuzz.json", text));
  } catch (const HostError& e) {
    Check(std::string_view(e.what()).starts_with("fuzz.json:"),
          "a refused design object does not name its file");
    return 0;
  }

  const std::string first = file->Serialize();
  using Json = nlohmann::ordered_json;
  const Json document = Json::parse(text);
  Check(first == document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n",
        "the object is not written as the JSON library writes the document read");
  if (auto properties = document.find("properties"); properties != document.end()) {
    for (const auto& [name, json] : properties->items()) {
      file->PutProperty(name, file->GetProperty(name));
    }
  }
  const std::string second = file->Serialize();
  Check(second == first, "writing every property back unchanged changed the file");

  try {
    const DesignObjectFile again = DesignObjectFile::Parse("fuzz.json", second);
    Check(again.Serialize() == second, "a saved object does not load to the same text");
  } catch (const HostError&) {
    Check(false, "a serialized design object does not load again");
  }
  return 0;
}
