// Fuzzes the PE version reader on whole images held in memory, and once in a while through the
// file reader on a copy in the private temporary folder: any bytes give numbers or nothing, and
// both paths agree.
#include <memory>

#include "FuzzSupport.h"
#include "hostlib/PeFileVersion.h"

using lumora::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view image = lumora::fuzz::AsText(data, size);
  const std::optional<lumora::PeVersionNumbers> numbers = lumora::ReadPeVersion(image);
  // The file path adds the stat and the read; every 16th input is enough to keep it covered.
  if (size % 16 == 0) {
    lumora::PeFileVersionInfo info(nullptr);
    const bool loaded = info.Load(lumora::fuzz::WriteTempFile("driver.dll", image));
    Check(loaded == numbers.has_value(), "the file and memory readers disagree");
    if (numbers) {
      Check(info.GetVersion().text == lumora::VersionText(numbers->file),
            "the file reader's version text differs from the numbers");
    }
  }
  return 0;
}
