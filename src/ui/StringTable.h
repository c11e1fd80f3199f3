// The string table: every visible text of the wizard by its 16-bit identifier, built into the
// component. LoadResString is the single-entry load (continuation marks kept); GetResString in
// modWizard.h joins continued entries.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lumora {

// Error raised for an identifier the table does not hold.
inline constexpr int32_t kResourceNotFound = 326;

// The entry `id`; fails with 326 "Resource with identifier 'id' not found".
std::string LoadResString(int32_t id);
// Whether the table holds `id`.
bool HasResString(int32_t id);

// Entries laid over the table while the object lives (a test's multi-part or missing entries):
// an overlaid entry wins over the built-in one; an overlaid std::nullopt hides it.
class ResStringOverlay {
 public:
  explicit ResStringOverlay(std::vector<std::pair<int32_t, std::optional<std::string>>> entries);
  ~ResStringOverlay();
  ResStringOverlay(const ResStringOverlay&) = delete;
  ResStringOverlay& operator=(const ResStringOverlay&) = delete;
};

// The picture of bitmap resource `id`, as a file name relative to the component folder (5000 is
// the side-panel artwork); fails with 326 for an unknown identifier.
std::string LoadResPicture(int32_t id);

}  // namespace lumora
