// The string table's entries, verbatim, in identifier order.
#include "ui/StringTable.h"

#include <string_view>

#include "contract/Failure.h"

namespace lumora {
namespace {

struct Entry {
  int32_t id;
  std::string_view text;
};

constexpr Entry kStrings[] = {
    {100, "Help"},
    {101, "Cancel"},
    {102, "&Back"},
    {103, "&Next"},
    {104, "&Finish"},
    {106, "&Close"},
    {600, "Name=MS Sans Serif;Bold=0;Italic=0;Size=8"},
    {1000, "Lumora - Step 1"},
    {1001, "Select the ODBC drivers to be installed from the list of available drivers."},
    {1002, "Available Drivers"},
    {1003, "Advanced..."},
    {1004, "Desktop Driver Support"},
    {1005, "<none>"},
    {1006, "Desktop Database Drivers 3.5"},
    {1007, "Desktop Database Drivers 4.0"},
    {2000, "Lumora - Advanced Driver Attributes"},
    {2001, "For every ODBC driver installed, make the appropriate driver attribute changes."},
    {2002, "Add"},
    {2003, "New driver name"},
    {2005, "Add New Driver"},
    {2006, "'<TOPIC_TEXT>' is already in the drivers list."},
    {4000, "Lumora - Step 2"},
    {4001, "Select the ODBC data sources to be installed from the list of available data sources."},
    {4004, "Available data sources"},
    {4005, "Advanced..."},
    {5000, "Lumora - Advanced Data Source Attributes"},
    {5001,
     "For every ODBC data source installed, make the appropriate data source attribute changes."},
    {5003, "&User"},
    {5004, "&System"},
    {5005, "Add"},
    {5006, "New data source name"},
    {5008, "Add New Data Source"},
    {5009, "'<TOPIC_TEXT>' is already in the data sources list."},
    {5010, "Uninstall data source with application."},
    {7000, "Lumora - Summary"},
    {7001,
     "ODBC settings complete.\n\nRegistry information for the ODBC drivers and data sources "
     "shown below will be added to your setup."},
    {7002, "Drivers:"},
    {7003, "Data Sources:"},
    {9006, "ODBC Core"},
};

// Bitmap resources: the side-panel artwork lies beside the component.
constexpr Entry kPictures[] = {
    {5000, "sidepanel.png"},
};

template <size_t N>
const Entry* FindIn(const Entry (&table)[N], int32_t id) {
  for (const Entry& entry : table) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

using Overlay = std::vector<std::pair<int32_t, std::optional<std::string>>>;
Overlay& CurrentOverlay() {
  static Overlay overlay;
  return overlay;
}

// The overlaid entry for `id`, if the overlay has one.
const std::optional<std::string>* Overlaid(int32_t id) {
  for (const auto& [key, text] : CurrentOverlay()) {
    if (key == id) return &text;
  }
  return nullptr;
}

[[noreturn]] void NotFound(int32_t id) {
  Raise(kResourceNotFound, "Resource with identifier '" + std::to_string(id) + "' not found",
        kComponentSource);
}

}  // namespace

ResStringOverlay::ResStringOverlay(Overlay entries) {
  CurrentOverlay() = std::move(entries);
}

ResStringOverlay::~ResStringOverlay() {
  CurrentOverlay().clear();
}

std::string LoadResString(int32_t id) {
  if (const auto* overlaid = Overlaid(id)) {
    if (!*overlaid) NotFound(id);
    return **overlaid;
  }
  const Entry* entry = FindIn(kStrings, id);
  if (entry == nullptr) NotFound(id);
  return std::string(entry->text);
}

bool HasResString(int32_t id) {
  if (const auto* overlaid = Overlaid(id)) return overlaid->has_value();
  return FindIn(kStrings, id) != nullptr;
}

std::string LoadResPicture(int32_t id) {
  const Entry* entry = FindIn(kPictures, id);
  if (entry == nullptr) NotFound(id);
  return std::string(entry->text);
}

}  // namespace lumora
