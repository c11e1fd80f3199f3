// The provided-driver catalogue: lumora.ini beside the component lists the drivers and
// translators that the setup object installs, each with a section of attribute lines. The
// readers merge those lists into a Drivers or Translators collection: listed items are marked
// provided, missing ones are appended, and the desktop-database drivers of the chosen version
// replace those of the other one. The file is read afresh on every call.
//
// Two choices of ours:
// - An item's own section is read whole: the buffer starts at 1023 characters and doubles until
//   the section fits, so a long attribute list is never cut off.
// - A list whose slots are all unused ("NONE", blank or missing) is an empty list: nothing is
//   reported; for a desktop-database list the prune phase still runs, so the other version's
//   desktop-database drivers leave the collection and none are added.
#include <algorithm>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "contract/HostLibrary.h"
#include "contract/Int16.h"
#include "contract/ProcessState.h"
#include "contract/Text.h"
#include "contract/Trap.h"
#include "platform/ProfileFile.h"
#include "services/WizAPI.h"

namespace lumora {
namespace {

constexpr const char* kCatalogueFile = "lumora.ini";
constexpr const char* kUnusedSlot = "NONE";
// A list value is read with a size of 254, so at most 253 characters of it are seen.
constexpr uint32_t kListValueSize = 254;
constexpr uint32_t kFirstSectionSize = 1023;

// The catalogue's path the Windows way: the component folder, a backslash, the file name.
std::string CataloguePath() {
  return component::Host().NewPathHelper()->AddBackslash(component::ComponentFolder()) +
         kCatalogueFile;
}

// The slot count of a list, as the host's IniFile helper finds it.
int16_t SlotCount(const std::string& sIni, const std::string& sSec, const std::string& sKey) {
  std::string value(255, ' ');
  int16_t count = 0;
  component::Host().NewIniFile()->FindIniFileEntry(sIni, sSec, sKey, value, count);
  return count;
}

// The attribute text of the item whose section is `section`: its entries in file order joined
// with CR LF, without one after the last; "" for a missing or empty section.
std::string ItemAttributes(const std::string& sIni, const std::string& section) {
  ProfileResult r;
  for (uint32_t size = kFirstSectionSize;; size *= 2) {
    r = GetPrivateProfileSectionA(section.c_str(), size, sIni);
    // A result of size - 2 may be a cut; reading once more with a larger buffer settles it.
    if (r.returned + 2 < size || size >= (1u << 30)) break;
  }
  const std::string entries = r.Text();
  std::string text;
  size_t start = 0;
  while (start < entries.size()) {
    size_t end = entries.find('\0', start);
    if (end == std::string::npos) end = entries.size();
    if (start > 0) text += "\r\n";
    text.append(entries, start, end - start);
    start = end + 1;
  }
  return text;
}

// The used slots of one list section, in slot order: item names and attribute texts.
struct CatalogueList {
  std::vector<std::string> names;
  std::vector<std::string> texts;
};

CatalogueList ReadList(int16_t nIndex, const std::string& sIni, const std::string& sSec,
                       const std::string& sKey, const std::string& sPrefix) {
  CatalogueList list;
  for (int16_t i = 0; i <= nIndex - 1; i = ToInt16(i + 1)) {
    const std::string key = sKey + std::to_string(i);
    const std::string value =
        GetPrivateProfileStringA(sSec.c_str(), key.c_str(), kUnusedSlot, kListValueSize, sIni)
            .Text();
    if (value == kUnusedSlot || TrimSpaces(value).empty()) continue;
    // The prefix's characters are dropped by count, whatever they are.
    list.names.push_back(sPrefix.empty() ? value
                                         : value.substr(std::min(sPrefix.size(), value.size())));
    list.texts.push_back(ItemAttributes(sIni, value));
  }
  return list;
}

bool IsDTDBPrefix(const std::string& sPrefix) {
  return sPrefix.find("DTDB40 ") != std::string::npos ||
         sPrefix.find("DTDB35 ") != std::string::npos;
}

template <class Record>
std::shared_ptr<Record> Require(std::shared_ptr<Record> record) {
  if (!record) Raise(kObjectNotSet);
  return record;
}

// Merges a catalogue list into a collection. Into an empty collection every item is added.
// Otherwise every member/item pair is decided on its own, members from the last to the first
// and items in list order: a member that matches an item (ignoring case) is provided by it;
// every item that does not match it is offered to Add, which keeps it only when no member has
// exactly its name. Members appended here lie behind the count taken first and are not visited.
//
// Once an item has been offered, its exact name is held, so offering it again changes nothing:
// each item is offered once, at the first member it does not match. That is the outcome of
// the pairwise walk without its members-times-items cost. The walk itself is kept for a
// collection that could reach 32768 members on the way, where every further Add fails and is
// reported.
template <class Collection, class NewRecord, class Provide>
void MergeList(Collection& pColl, const CatalogueList& list, NewRecord newRecord, Provide provide) {
  const size_t items = list.names.size();
  if (pColl.Count() == 0) {
    for (size_t k = 0; k < items; ++k) pColl.Add(newRecord(k));
    return;
  }
  const int16_t members = pColl.Count();
  std::unordered_set<std::string> newcomers;  // names no member has exactly
  for (const std::string& name : list.names) {
    if (!pColl.Holds(name)) newcomers.insert(name);
  }
  if (static_cast<size_t>(members) + newcomers.size() > static_cast<size_t>(INT16_MAX)) {
    for (int16_t j = members; j >= 1; --j) {
      const auto member = Require(pColl.Item(j));
      for (size_t k = 0; k < items; ++k) {
        if (EqualsIgnoringCase(list.names[k], member->Name())) {
          provide(*member, k);
        } else {
          pColl.Add(newRecord(k));
        }
      }
    }
    return;
  }

  std::vector<std::string> upper(items);
  std::unordered_map<std::string, std::vector<size_t>> itemsOf;  // upper-cased name: items
  for (size_t k = 0; k < items; ++k) {
    upper[k] = UCase(list.names[k]);
    itemsOf[upper[k]].push_back(k);
  }
  std::vector<size_t> waiting(items);  // items not offered yet, in list order
  for (size_t k = 0; k < items; ++k) waiting[k] = k;
  std::string name;  // the member's, upper-cased
  for (int16_t j = members; j >= 1; --j) {
    const auto member = Require(pColl.Item(j));
    UCaseInto(member->Name(), name);
    // After the first member, the waiting items all match the member before: they share one
    // upper-cased name, so they are offered together or not at all.
    if (!waiting.empty() && (j == members || upper[waiting.front()] != name)) {
      std::vector<size_t> still;
      for (size_t k : waiting) {
        if (upper[k] == name) {
          still.push_back(k);
        } else {
          pColl.Add(newRecord(k));
        }
      }
      waiting = std::move(still);
    }
    auto matched = itemsOf.find(name);
    if (matched != itemsOf.end()) {
      for (size_t k : matched->second) provide(*member, k);
    }
  }
}

}  // namespace

void WizAPI::ReadDrvsBVProvided(Drivers& pDrvs, int32_t dtdbVerNumber, bool bChangingDTDBVer) {
  Trap("WizAPI:ReadDrvsBVProvided", [&] {
    const std::string sIni = CataloguePath();
    int16_t count = SlotCount(sIni, "Drivers", "Driver");
    if (count > 0) ReadDrvSections(count, sIni, "Drivers", "Driver", pDrvs, "", bChangingDTDBVer);

    std::string section = "Drivers";
    std::string prefix;
    if (dtdbVerNumber == 0) {
      section = "DTDB35 Drivers";
      prefix = "DTDB35 ";
    } else if (dtdbVerNumber == 1) {
      section = "DTDB40 Drivers";
      prefix = "DTDB40 ";
    }
    count = SlotCount(sIni, section, "Driver");
    if (count > 0) ReadDrvSections(count, sIni, section, "Driver", pDrvs, prefix, bChangingDTDBVer);
  });
}

void WizAPI::ReadTransBVProvided(Translators& pTrans) {
  Trap("WizAPI:ReadTransBVProvided", [&] {
    const std::string sIni = CataloguePath();
    const int16_t count = SlotCount(sIni, "Translators", "Translator");
    if (count > 0) ReadTransSections(count, sIni, "Translators", "Translator", pTrans);
  });
}

void WizAPI::ReadDrvSections(int16_t nIndex, const std::string& sIni, const std::string& sSec,
                             const std::string& sKey, Drivers& pDrvs, const std::string& sPrefix,
                             bool bChangingDTDBVer) {
  Trap("WizAPI:ReadDrvSections", [&] {
    const CatalogueList list = ReadList(nIndex, sIni, sSec, sKey, sPrefix);
    const bool dtdb = IsDTDBPrefix(sPrefix);
    auto newDriver = [&](size_t k) {
      auto d = std::make_shared<Driver>();
      d->SetAttribsString(list.texts[k]);
      d->SetName(list.names[k]);
      d->SetSelected(false);
      d->SetObjectProvided(true);
      d->SetDTDBDriver(dtdb);
      return d;
    };

    // Prune: desktop-database drivers that the version's list does not name leave.
    if (!sPrefix.empty()) {
      std::unordered_set<std::string> listed;
      for (const std::string& name : list.names) listed.insert(UCase(name));
      for (int16_t j = pDrvs.Count(); j >= 1; --j) {
        const DriverPtr member = Require(pDrvs.Item(j));
        if (member->DTDBDriver() && listed.count(UCase(member->Name())) == 0) pDrvs.Remove(member);
      }
    }

    auto provide = [&](Driver& member, size_t k) {
      member.SetObjectProvided(true);
      if (!sPrefix.empty() && bChangingDTDBVer) member.SetAttribsString(list.texts[k]);
    };
    MergeList(pDrvs, list, newDriver, provide);
  });
}

void WizAPI::ReadTransSections(int16_t nIndex, const std::string& sIni, const std::string& sSec,
                               const std::string& sKey, Translators& pTrans) {
  Trap("WizAPI:ReadTransSections", [&] {
    const CatalogueList list = ReadList(nIndex, sIni, sSec, sKey, "");
    auto newTranslator = [&](size_t k) {
      auto t = std::make_shared<Translator>();
      t->SetAttribsString(list.texts[k]);
      t->SetName(list.names[k]);
      t->SetSelected(false);
      t->SetObjectProvided(true);
      return t;
    };

    auto provide = [&](Translator& member, size_t k) {
      member.SetObjectProvided(true);
      member.SetAttribsString(list.texts[k]);  // a translator always takes the catalogue's
    };
    MergeList(pTrans, list, newTranslator, provide);
  });
}

}  // namespace lumora
