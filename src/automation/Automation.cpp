#include "automation/Automation.h"

#include <oleauto.h>

#include <cstring>
#include <map>
#include <mutex>
#include <utility>

#include "automation/AutomationValues.h"
#include "contract/SharedLibrary.h"
#include "contract/WideText.h"

namespace lumora::com {
namespace {

struct IidLess {
  bool operator()(const IID& a, const IID& b) const { return std::memcmp(&a, &b, sizeof a) < 0; }
};

// The type information of each interface asked for, kept while the library is loaded.
struct TypeInfoCache {
  std::mutex mutex;
  ITypeLib* library = nullptr;
  std::map<IID, ITypeInfo*, IidLess> infos;
};
TypeInfoCache& Cache() {
  static TypeInfoCache cache;
  return cache;
}

}  // namespace

std::string OwnModulePath() {
  // Each server library links its own copy of this code: the address names that library.
  return LibraryPathOf(reinterpret_cast<const void*>(&OwnModulePath));
}

HRESULT LoadOwnTypeLibrary(ITypeLib** library, std::wstring* path) {
  const std::wstring own = Widen(OwnModulePath());
  if (path != nullptr) *path = own;
  return LoadTypeLibEx(own.c_str(), REGKIND_NONE, library);
}

ITypeInfo* TypeInfoOf(const IID& iid) {
  TypeInfoCache& cache = Cache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  if (auto found = cache.infos.find(iid); found != cache.infos.end()) return found->second;
  if (cache.library == nullptr && FAILED(LoadOwnTypeLibrary(&cache.library, nullptr))) {
    return nullptr;
  }
  ITypeInfo* info = nullptr;
  if (FAILED(cache.library->GetTypeInfoOfGuid(iid, &info))) return nullptr;
  cache.infos.emplace(iid, info);
  return info;
}

HRESULT Raise(HRESULT result, const std::string& description, const std::string& source) {
  ICreateErrorInfo* create = nullptr;
  if (FAILED(CreateErrorInfo(&create))) return result;
  try {
    const std::wstring text = Widen(description), from = Widen(source);
    create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
    create->SetSource(const_cast<LPOLESTR>(from.c_str()));
  } catch (...) {
  }
  IErrorInfo* info = nullptr;
  if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
    SetErrorInfo(0, info);
    info->Release();
  }
  create->Release();
  return result;
}

}  // namespace lumora::com
