#include "hostlib/PeFileVersion.h"

#include <sys/stat.h>

#include <fstream>
#include <vector>

namespace lumora {
namespace {

constexpr uint64_t kMaxImageSize = 512u * 1024u * 1024u;
constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr uint32_t kMaxEntries = 4096;
constexpr uint64_t kMaxVersionBlock = 0xFFFF;

// Bounds-checked little-endian reads over the file.
class Bytes {
 public:
  explicit Bytes(std::string_view data) : data_(data) {}
  bool Has(uint64_t offset, uint64_t length) const {
    return offset <= data_.size() && length <= data_.size() - offset;
  }
  std::optional<uint16_t> U16(uint64_t offset) const {
    if (!Has(offset, 2)) return std::nullopt;
    return static_cast<uint16_t>(Byte(offset) | (Byte(offset + 1) << 8));
  }
  std::optional<uint32_t> U32(uint64_t offset) const {
    if (!Has(offset, 4)) return std::nullopt;
    return static_cast<uint32_t>(Byte(offset) | (Byte(offset + 1) << 8) | (Byte(offset + 2) << 16) |
                                 (static_cast<uint32_t>(Byte(offset + 3)) << 24));
  }
  std::string_view Slice(uint64_t offset, uint64_t length) const {
    return data_.substr(offset, length);
  }

 private:
  uint32_t Byte(uint64_t offset) const { return static_cast<unsigned char>(data_[offset]); }
  std::string_view data_;
};

struct Section {
  uint32_t virtualAddress;
  uint32_t virtualSize;
  uint32_t rawSize;
  uint32_t rawOffset;
};

class PeImage {
 public:
  explicit PeImage(std::string_view data) : bytes_(data) {}

  std::optional<PeVersionNumbers> Version() {
    if (!Headers()) return std::nullopt;
    // type 16 (RT_VERSION) -> id 1 -> language 0x409, else the first language
    auto typeDir = Entry(0, 16, false, true);
    if (!typeDir) return std::nullopt;
    auto idDir = Entry(*typeDir, 1, false, true);
    if (!idDir) return std::nullopt;
    auto leaf = Entry(*idDir, 0x409, true, false);
    if (!leaf) return std::nullopt;
    auto dataRva = U32AtRva(resourceRva_ + *leaf);
    auto dataSize = U32AtRva(resourceRva_ + *leaf + 4);
    if (!dataRva || !dataSize) return std::nullopt;
    // The block's own length is 16-bit, so no more than 64 KiB of it is ever read, whatever
    // size its data entry claims.
    std::string block;
    if (!ReadRva(*dataRva, *dataSize, block, kMaxVersionBlock)) return std::nullopt;
    return FixedInfo(block);
  }

 private:
  bool Headers() {
    if (!bytes_.Has(0, 64) || bytes_.Slice(0, 2) != "MZ") return false;
    auto peOffset = bytes_.U32(0x3C);
    if (!peOffset || !bytes_.Has(*peOffset, 24) ||
        bytes_.Slice(*peOffset, 4) != std::string_view("PE\0\0", 4)) {
      return false;
    }
    const uint64_t pe = *peOffset;
    auto sectionCount = bytes_.U16(pe + 6);
    auto optionalSize = bytes_.U16(pe + 20);
    if (!sectionCount || !optionalSize) return false;
    const uint64_t opt = pe + 24;
    auto magic = bytes_.U16(opt);
    if (!magic) return false;
    uint64_t countField = 0;
    uint64_t directories = 0;
    if (*magic == 0x10B) {
      countField = 92;
      directories = 96;
    } else if (*magic == 0x20B) {
      countField = 108;
      directories = 112;
    } else {
      return false;
    }
    auto rvaCount = bytes_.U32(opt + countField);
    if (!rvaCount || *rvaCount <= 2) return false;
    const uint64_t resourceEntry = directories + 2 * 8;
    if (resourceEntry + 8 > *optionalSize) return false;
    auto rva = bytes_.U32(opt + resourceEntry);
    auto size = bytes_.U32(opt + resourceEntry + 4);
    if (!rva || !size || *rva == 0 || *size == 0) return false;
    resourceRva_ = *rva;
    resourceSize_ = *size;
    const uint64_t table = opt + *optionalSize;
    if (!bytes_.Has(table, uint64_t{*sectionCount} * 40)) return false;
    for (uint32_t i = 0; i < *sectionCount; ++i) {
      const uint64_t s = table + uint64_t{i} * 40;
      sections_.push_back(
          {*bytes_.U32(s + 12), *bytes_.U32(s + 8), *bytes_.U32(s + 16), *bytes_.U32(s + 20)});
    }
    return true;
  }

  // Copies the first `copy` of the `length` bytes at `rva` into `out`; bytes past a section's
  // raw data read as zeros, bytes past the end of the file are an error. The whole `length` is
  // checked, but a size field of the file never decides alone how much memory is taken.
  bool ReadRva(uint64_t rva, uint64_t length, std::string& out, uint64_t copy = UINT64_MAX) const {
    for (const Section& s : sections_) {
      const uint64_t extent = std::max(s.virtualSize, s.rawSize);
      if (rva < s.virtualAddress || rva - s.virtualAddress >= extent) continue;
      const uint64_t inside = rva - s.virtualAddress;
      if (length > extent - inside) return false;
      copy = std::min(copy, length);
      out.assign(copy, '\0');
      if (inside < s.rawSize) {
        const uint64_t available = std::min<uint64_t>(length, s.rawSize - inside);
        if (!bytes_.Has(uint64_t{s.rawOffset} + inside, available)) return false;
        const uint64_t copied = std::min(available, copy);
        out.replace(0, copied, bytes_.Slice(s.rawOffset + inside, copied));
      }
      return true;
    }
    return false;
  }

  std::optional<uint32_t> U32AtRva(uint64_t rva) const {
    std::string buf;
    if (!ReadRva(rva, 4, buf)) return std::nullopt;
    return Bytes(buf).U32(0);
  }
  std::optional<uint16_t> U16AtRva(uint64_t rva) const {
    std::string buf;
    if (!ReadRva(rva, 2, buf)) return std::nullopt;
    return Bytes(buf).U16(0);
  }

  // In the resource directory at `dir` (an offset into the resource section), the entry with
  // `id` (or, when `orFirst`, the first entry); returns the offset it points to, which must be
  // a subdirectory when `wantDirectory` and a data entry otherwise.
  std::optional<uint32_t> Entry(uint32_t dir, uint32_t id, bool orFirst, bool wantDirectory) const {
    if (uint64_t{dir} + 16 > resourceSize_) return std::nullopt;
    auto named = U16AtRva(uint64_t{resourceRva_} + dir + 12);
    auto ids = U16AtRva(uint64_t{resourceRva_} + dir + 14);
    if (!named || !ids) return std::nullopt;
    const uint32_t total = uint32_t{*named} + *ids;
    if (total > kMaxEntries || uint64_t{dir} + 16 + uint64_t{total} * 8 > resourceSize_) {
      return std::nullopt;
    }
    std::optional<uint32_t> chosen;
    for (uint32_t i = 0; i < total; ++i) {
      const uint64_t e = uint64_t{resourceRva_} + dir + 16 + uint64_t{i} * 8;
      auto name = U32AtRva(e);
      auto target = U32AtRva(e + 4);
      if (!name || !target) return std::nullopt;
      const bool isId = (*name & 0x80000000u) == 0;
      if ((isId && (*name & 0xFFFF) == id) || (orFirst && !chosen && i == 0)) {
        chosen = *target;
        if (isId && (*name & 0xFFFF) == id) break;
      }
    }
    if (!chosen) return std::nullopt;
    const bool isDirectory = (*chosen & 0x80000000u) != 0;
    if (isDirectory != wantDirectory) return std::nullopt;
    const uint32_t offset = *chosen & 0x7FFFFFFFu;
    if (offset <= dir && wantDirectory) return std::nullopt;  // no loops back up the tree
    if (uint64_t{offset} + (wantDirectory ? 16 : 8) > resourceSize_) return std::nullopt;
    return offset;
  }

  static std::optional<PeVersionNumbers> FixedInfo(std::string_view block) {
    Bytes b(block);
    auto length = b.U16(0);
    auto valueLength = b.U16(2);
    if (!length || !valueLength || *length < 92 || *length > block.size()) return std::nullopt;
    static const char16_t kKey[] = u"VS_VERSION_INFO";
    for (size_t i = 0; i < 16; ++i) {
      auto c = b.U16(6 + 2 * i);
      if (!c || *c != static_cast<uint16_t>(kKey[i])) return std::nullopt;
    }
    if (*valueLength < 52) return std::nullopt;
    const uint64_t fixed = 40;  // 38 bytes of header, padded to 4
    auto signature = b.U32(fixed);
    if (!signature || *signature != kFixedSignature) return std::nullopt;
    PeVersionNumbers v;
    const uint32_t fileMs = *b.U32(fixed + 8);
    const uint32_t fileLs = *b.U32(fixed + 12);
    const uint32_t productMs = *b.U32(fixed + 16);
    const uint32_t productLs = *b.U32(fixed + 20);
    v.file = {static_cast<uint16_t>(fileMs >> 16), static_cast<uint16_t>(fileMs),
              static_cast<uint16_t>(fileLs >> 16), static_cast<uint16_t>(fileLs)};
    v.product = {static_cast<uint16_t>(productMs >> 16), static_cast<uint16_t>(productMs),
                 static_cast<uint16_t>(productLs >> 16), static_cast<uint16_t>(productLs)};
    return v;
  }

  Bytes bytes_;
  std::vector<Section> sections_;
  uint32_t resourceRva_ = 0;
  uint32_t resourceSize_ = 0;
};

}  // namespace

std::optional<PeVersionNumbers> ReadPeVersion(std::string_view image) {
  return PeImage(image).Version();
}

std::string VersionText(const std::array<uint16_t, 4>& parts) {
  return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." +
         std::to_string(parts[2]) + "." + std::to_string(parts[3]);
}

PeFileVersionInfo::PeFileVersionInfo(std::shared_ptr<const DriveMap> drives)
    : drives_(std::move(drives)) {}

bool PeFileVersionInfo::Load(const std::string& path) {
  version_ = {};
  std::string local;
  if (!path.empty() && path.front() == '/') {
    local = path;
  } else if (drives_) {
    auto mapped = drives_->ToLocalPath(path);
    if (!mapped) return false;
    local = *mapped;
  } else {
    return false;
  }
  struct stat st {};
  if (::stat(local.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
      static_cast<uint64_t>(st.st_size) > kMaxImageSize) {
    return false;
  }
  std::ifstream in(local, std::ios::binary);
  if (!in) return false;
  std::string image(static_cast<size_t>(st.st_size), '\0');
  in.read(image.data(), static_cast<std::streamsize>(image.size()));
  image.resize(static_cast<size_t>(in.gcount()));
  auto numbers = ReadPeVersion(image);
  if (!numbers) return false;
  version_.text = VersionText(numbers->file);
  version_.productText = VersionText(numbers->product);
  return true;
}

}  // namespace lumora
