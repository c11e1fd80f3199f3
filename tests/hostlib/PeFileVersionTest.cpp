// The PE version reader on executables that the tests build byte by byte.
#include <gtest/gtest.h>

#include <cstring>

#include "hostlib/PeFileVersion.h"
#include "support/RunProcess.h"

namespace lumora {
namespace {

struct Language {
  uint16_t id;
  uint32_t fileMs;
  uint32_t fileLs;
};

// A minimal PE image with one .rsrc section holding the version resource in each language.
class PeBuilder {
 public:
  bool pe64 = false;
  bool withResource = true;
  std::vector<Language> languages = {{0x409, 0x00040000, 0x17830000}};  // 4.0.6019.0

  std::string Build() const {
    std::string image(0x200, '\0');
    Put(image, 0, 0x5A4D, 2);  // "MZ"
    Put(image, 0x3C, 0x80);
    std::memcpy(&image[0x80], "PE\0\0", 4);
    const uint32_t coff = 0x84;
    Put(image, coff, pe64 ? 0x8664 : 0x14C, 2);
    Put(image, coff + 2, 1, 2);  // one section
    const uint16_t optionalSize = pe64 ? 240 : 224;
    Put(image, coff + 16, optionalSize, 2);
    const uint32_t opt = coff + 20;
    Put(image, opt, pe64 ? 0x20B : 0x10B, 2);
    Put(image, opt + (pe64 ? 108 : 92), 16);
    const std::string rsrc = Resources();
    const uint32_t dirs = opt + (pe64 ? 112 : 96);
    if (withResource) {
      Put(image, dirs + 16, 0x1000);
      Put(image, dirs + 20, static_cast<uint32_t>(rsrc.size()));
    }
    const uint32_t section = opt + optionalSize;
    std::memcpy(&image[section], ".rsrc", 5);
    Put(image, section + 8, static_cast<uint32_t>(rsrc.size()));
    Put(image, section + 12, 0x1000);
    Put(image, section + 16, static_cast<uint32_t>(rsrc.size()));
    Put(image, section + 20, 0x200);
    return image + rsrc;
  }

  // Writes the `bytes` low bytes of `v` at `at`, little-endian, growing `s` as needed.
  static void Put(std::string& s, size_t at, uint32_t v, size_t bytes = 4) {
    if (s.size() < at + bytes) s.resize(at + bytes, '\0');
    for (size_t i = 0; i < bytes; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  }

 private:
  // Directories: type 16 at 0, id 1 at 0x18, languages at 0x30; data entries after them,
  // then one 92-byte VS_VERSIONINFO per language.
  std::string Resources() const {
    const uint32_t n = static_cast<uint32_t>(languages.size());
    std::string r;
    Put(r, 14, 1, 2);
    Put(r, 16, 16);
    Put(r, 20, 0x80000000u | 0x18);
    Put(r, 0x18 + 14, 1, 2);
    Put(r, 0x18 + 16, 1);
    Put(r, 0x18 + 20, 0x80000000u | 0x30);
    Put(r, 0x30 + 14, static_cast<uint16_t>(n), 2);
    const uint32_t entries = 0x30 + 16 + 8 * n;
    const uint32_t blocks = entries + 16 * n;
    for (uint32_t i = 0; i < n; ++i) {
      Put(r, 0x30 + 16 + 8 * i, languages[i].id);
      Put(r, 0x30 + 20 + 8 * i, entries + 16 * i);
      Put(r, entries + 16 * i, 0x1000 + blocks + 92 * i);
      Put(r, entries + 16 * i + 4, 92);
      const uint32_t b = blocks + 92 * i;
      Put(r, b, 92, 2);
      Put(r, b + 2, 52, 2);
      const char16_t key[] = u"VS_VERSION_INFO";
      for (int k = 0; k < 16; ++k) Put(r, b + 6 + 2 * k, key[k], 2);
      Put(r, b + 40, 0xFEEF04BD);
      Put(r, b + 44, 0x00010000);
      Put(r, b + 48, languages[i].fileMs);
      Put(r, b + 52, languages[i].fileLs);
      Put(r, b + 56, languages[i].fileMs);
      Put(r, b + 60, languages[i].fileLs);
      Put(r, b + 88, 0);  // the block's last field, so the section ends with it
    }
    return r;
  }
};

std::string VersionOf(const std::string& image) {
  auto v = ReadPeVersion(image);
  return v ? VersionText(v->file) : "";
}

// The fixed numbers of PE32 and PE32+, US English else the first language, or nothing.
TEST(PeFileVersion, ReadsTheFixedNumbersOfTheLanguageItPrefers) {
  const std::pair<PeBuilder, std::string> cases[] = {
      {{false, true, {{0x409, 0x00040000, 0x17830000}}}, "4.0.6019.0"},
      {{true, true, {{0x409, 0x00040000, 0x17830000}}}, "4.0.6019.0"},
      {{false, true, {{0x409, 0x00030033, 0x06B10000}}}, "3.51.1713.0"},
      {{false, true, {{0x407, 0x00030033, 0}, {0x409, 0x00040000, 0}}}, "4.0.0.0"},
      {{false, true, {{0x407, 0x00030033, 0}, {0x40C, 0x00040000, 0}}}, "3.51.0.0"},
      {{false, false, {{0x409, 0x00040000, 0}}}, ""},
  };
  for (const auto& [image, version] : cases)
    EXPECT_EQ(VersionOf(image.Build()), version) << version;
  EXPECT_FALSE(ReadPeVersion("not an executable at all"));
}

TEST(PeFileVersion, EveryTruncationGivesNothingAndNeverCrashes) {
  for (bool pe64 : {false, true}) {
    const std::string image = PeBuilder{pe64}.Build();
    for (size_t cut = 0; cut < image.size(); ++cut) {
      EXPECT_FALSE(ReadPeVersion(image.substr(0, cut))) << "cut at " << cut;
    }
  }
}

// Malformed structures give nothing. A data entry may claim up to 4 GiB inside a section of that
// virtual size (the part past the raw data reads as zeros): only the block's own 16-bit length
// is read (taking the claim at its word filled 4 GiB of zeros for a 700-byte file), while a
// claim past the section's extent, or one whose raw part lies past the file, is malformed.
TEST(PeFileVersion, MalformedStructuresGiveNothing) {
  const std::string good = PeBuilder().Build();
  const size_t rsrc = 0x200, section = 0x84 + 20 + 224;
  const size_t block = rsrc + 0x30 + 16 + 8 + 16, dataSize = rsrc + 0x30 + 16 + 8 + 4;
  struct Put {
    size_t at;
    uint32_t value;
    bool wide;
  };
  const struct {
    std::vector<Put> puts;
    std::string version;  // "": nothing
  } cases[] = {
      {{{0x3C, 0xFFFFFFF0u, true}}, ""},       // e_lfanew past the end
      {{{0x84 + 16, 0xFFFF, false}}, ""},      // optional header too big
      {{{0x84 + 20, 0x1234, false}}, ""},      // unknown magic
      {{{0x84 + 2, 0xFFFF, false}}, ""},       // too many sections
      {{{rsrc + 14, 0xFFFF, false}}, ""},      // entry count past the end
      {{{rsrc + 20, 0x80000000u, true}}, ""},  // directory loops to root
      {{{rsrc + 0x18 + 20, 0x30, true}}, ""},  // leaf where a directory is due
      {{{block, 0, false}}, ""},               // wLength 0
      {{{block, 0xFFFF, false}}, ""},          // wLength past the data
      {{{block + 40, 0xFEEF04BC, true}}, ""},  // bad signature
      {{{block + 6, 'X', false}}, ""},         // wrong key
      {{{section + 8, 0xFFFFFFFFu, true}, {dataSize, 0xFFFFF000u, true}}, "4.0.6019.0"},
      {{{dataSize, 0xFFFFF000u, true}}, ""},
      {{{section + 8, 0xFFFFFFFFu, true},
        {section + 16, 0xFFFFFFFFu, true},
        {dataSize, 0xFFFFF000u, true}},
       ""},
      {{}, "4.0.6019.0"},
  };
  for (const auto& c : cases) {
    std::string s = good;
    for (const Put& put : c.puts) PeBuilder::Put(s, put.at, put.value, put.wide ? 4 : 2);
    EXPECT_EQ(VersionOf(s), c.version) << (c.puts.empty() ? 0 : c.puts[0].at);
  }
}

TEST(PeFileVersion, LoadsLocalAndMappedWindowsPaths) {
  testing::TempDir dir;
  dir.Write("Windows/system32/ODBCJT32.DLL", PeBuilder().Build());
  auto drives = std::make_shared<DriveMap>(std::map<char, std::string>{{'C', dir.path()}});
  PeFileVersionInfo info(drives);

  EXPECT_TRUE(info.Load("c:\\WINDOWS\\System32\\odbcjt32.dll"));
  EXPECT_EQ(info.GetVersion().text, "4.0.6019.0");
  EXPECT_EQ(info.GetVersion().productText, "4.0.6019.0");

  EXPECT_TRUE(info.Load(dir.File("Windows/system32/ODBCJT32.DLL")));
  EXPECT_EQ(info.GetVersion().text, "4.0.6019.0");

  EXPECT_FALSE(info.Load("D:\\Windows\\System32\\odbcjt32.dll"));  // unmapped drive
  EXPECT_EQ(info.GetVersion().text, "");
  EXPECT_FALSE(info.Load("C:\\Windows\\System32\\missing.dll"));
  EXPECT_FALSE(info.Load(dir.path()));  // a folder
  EXPECT_FALSE(info.Load("relative\\odbcjt32.dll"));
  EXPECT_EQ(info.GetVersion().text, "");
}

}  // namespace
}  // namespace lumora
