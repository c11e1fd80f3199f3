// The names of a save's own files beside an object, and who holds a lock as /proc/locks says.
#include <gtest/gtest.h>

#include <limits.h>
#include <sys/sysmacros.h>
#include <sys/types.h>

#include <algorithm>

#include "host/LockHolder.h"
#include "host/SaveNames.h"

namespace lumora {
namespace {

// Every name fits NAME_MAX; a name that fits is kept whole; a long one keeps its beginning, is
// never cut inside a UTF-8 character, and is told apart from another alike for 240 bytes.
TEST(SaveNames, FitEveryObjectNameAndKeepLongNamesApart) {
  const std::string e9 = "\xc3\xa9";  // é, two bytes
  struct Row {
    std::string name;
    std::string kept;  // InterruptedSave(name), or "" when only its length is checked
  };
  const Row rows[] = {
      {"o.json", ".o.json.lumora-save"},
      {std::string(242, 'a'), "." + std::string(242, 'a') + ".lumora-save"},
      {std::string(243, 'a'), ""},
      {std::string(255, 'a'), ""},
      {std::string(232, 'a') + e9 + e9 + "b.json", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name.size());
    const std::string kept = savenames::InterruptedSave(row.name);
    const std::string fresh = savenames::NewText(row.name);
    EXPECT_LE(kept.size(), size_t{NAME_MAX});
    EXPECT_LE(fresh.size(), size_t{NAME_MAX});
    if (!row.kept.empty()) {
      EXPECT_EQ(kept, row.kept);
    }
    const size_t start = std::min<size_t>(200, row.name.size());
    EXPECT_EQ(kept.substr(1, start), row.name.substr(0, start)) << "it keeps the name's beginning";
    EXPECT_TRUE(savenames::IsNewText(fresh, row.name)) << fresh;
    EXPECT_EQ(savenames::InterruptedSave(row.name), kept) << "the same name every time";
    // A whole UTF-8 character or none: the byte before the mark is not a lead or middle byte.
    const size_t mark = kept.rfind('~');
    if (row.name.size() > 242) {
      ASSERT_NE(mark, std::string::npos);
      EXPECT_NE(static_cast<unsigned char>(kept[mark - 1]) & 0xC0, 0xC0u) << kept;
    }
  }
  const std::string a = std::string(250, 'n') + "a", b = std::string(250, 'n') + "b";
  EXPECT_NE(savenames::InterruptedSave(a), savenames::InterruptedSave(b));
  EXPECT_FALSE(savenames::IsNewText(savenames::NewText(a), b));
}

// Which new-text names are a save's own: the exact form and nothing like it.
TEST(SaveNames, TellTheirOwnNewTextsFromLookAlikes) {
  const std::pair<const char*, bool> rows[] = {
      {".o.json.lumora-new-Ab12Cd", true},
      {".o.json.lumora-new-Ab12C", false},
      {".o.json.lumora-new-Ab12Cde", false},
      {".o.json.lumora-new-Ab12C-", false},
      {".o.json.backup", false},
      {".o.json.abc123", false},
      {"o.json.lumora-new-Ab12Cd", false},
      {".p.json.lumora-new-Ab12Cd", false},
  };
  for (const auto& [entry, own] : rows)
    EXPECT_EQ(savenames::IsNewText(entry, "o.json"), own) << entry;
}

// The holder of a granted lock on the file, by device and inode; a waiter's line is not a holder.
TEST(LockHolder, ReadsTheHolderOfTheFilesLock) {
  const dev_t device = makedev(0xfe, 0x01);
  const std::string locks =
      "1: POSIX  ADVISORY  WRITE 300 fe:01:77 0 EOF\n"
      "2: FLOCK  ADVISORY  WRITE 4242 fe:01:1234 0 EOF\n"
      "2: -> FLOCK  ADVISORY  WRITE 999 fe:01:1234 0 EOF\n"
      "3: FLOCK  ADVISORY  WRITE 555 08:01:1234 0 EOF\n";
  const std::pair<ino_t, std::optional<pid_t>> rows[] = {
      {1234, 4242}, {77, 300}, {5, std::nullopt}};
  for (const auto& [inode, holder] : rows)
    EXPECT_EQ(LockHolderIn(locks, device, inode), holder) << inode;
  EXPECT_EQ(LockHolderIn("2: -> FLOCK  ADVISORY  WRITE 999 fe:01:1234 0 EOF\n", device, 1234),
            std::nullopt);
  EXPECT_EQ(LockHolderIn("", device, 1234), std::nullopt);
}

}  // namespace
}  // namespace lumora
