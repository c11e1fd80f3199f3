#include "component/ComponentHarness.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "contract/Failure.h"
#include "marshal/Marshal.h"
#include "support/RunProcess.h"

namespace lumora::testing {

using marshal::Copy;
using marshal::SameGuid;
using marshal::View;

const ComponentExports& Component() {
  static ComponentExports exports = [] {
    const std::string path = BinDir() + "/" + LUMORA_LIBRARY_FILE;
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      ADD_FAILURE() << "cannot load " << path << ": " << ::dlerror();
      std::abort();
    }
    auto find = [library](const char* name) {
      void* symbol = ::dlsym(library, name);
      if (symbol == nullptr) {
        ADD_FAILURE() << "no export " << name;
        std::abort();
      }
      return symbol;
    };
    return ComponentExports{
        reinterpret_cast<LumoraDllRegisterServerFn>(find("DllRegisterServer")),
        reinterpret_cast<LumoraDllUnregisterServerFn>(find("DllUnregisterServer")),
        reinterpret_cast<LumoraDllGetClassObjectFn>(find("DllGetClassObject")),
        reinterpret_cast<LumoraDllCanUnloadNowFn>(find("DllCanUnloadNow"))};
  }();
  return exports;
}

struct TestObjectCalls {
  static TestDesignObject* Of(IDesignObject* self) {
    return reinterpret_cast<TestDesignObject::ObjectFace*>(self)->owner;
  }
  template <class Face, class Interface>
  static TestDesignObject* OwnerOf(Interface* self) {
    return reinterpret_cast<Face*>(self)->owner;
  }

  static LumoraHResult Query(TestDesignObject* o, const LumoraGuid* iid, void** out) {
    *out = nullptr;
    if (SameGuid(*iid, IID_IUnknown) || SameGuid(*iid, IID_IDesignObject)) {
      *out = &o->face_;  // the object's identity
    } else if (o->hasSite && SameGuid(*iid, IID_IHostSite)) {
      *out = &o->site_;
    } else {
      return LUMORA_E_NOINTERFACE;
    }
    ++o->references_;
    return LUMORA_S_OK;
  }

  static LumoraHResult Refuse(IFailureInfo** error) {
    if (error != nullptr) {
      *error = marshal::NewFailureInfo({kInvalidArgument, "refused by the test host", "TestHost"});
    }
    return LUMORA_DISP_E_EXCEPTION;
  }

  // IDesignObject
  static LumoraHResult QueryInterface(IDesignObject* self, const LumoraGuid* iid, void** out) {
    return Query(Of(self), iid, out);
  }
  static uint32_t AddRef(IDesignObject* self) { return ++Of(self)->references_; }
  static uint32_t Release(IDesignObject* self) { return --Of(self)->references_; }
  static LumoraHResult GetProperty(IDesignObject* self, LumoraString name, LumoraValue* value,
                                   IFailureInfo** error) {
    TestDesignObject* o = Of(self);
    const std::string key = Copy(name);
    if (key == o->refuseGet) return Refuse(error);
    auto found = o->properties.find(key);
    *value = marshal::ToCValue(found == o->properties.end() ? Value() : found->second);
    ++o->outstanding_;
    return LUMORA_S_OK;
  }
  static LumoraHResult PutProperty(IDesignObject* self, LumoraString name, const LumoraValue* value,
                                   IFailureInfo** error) {
    TestDesignObject* o = Of(self);
    const std::string key = Copy(name);
    if (key == o->refusePut) return Refuse(error);
    o->properties[key] = marshal::FromCValue(*value);
    return LUMORA_S_OK;
  }
  static void FreeValue(IDesignObject* self, LumoraValue* value) {
    marshal::FreeCValue(*value);
    --Of(self)->outstanding_;
  }

  // IHostSite
  static LumoraHResult SiteQueryInterface(IHostSite* self, const LumoraGuid* iid, void** out) {
    return Query(OwnerOf<TestDesignObject::SiteFace>(self), iid, out);
  }
  static uint32_t SiteAddRef(IHostSite* self) {
    return ++OwnerOf<TestDesignObject::SiteFace>(self)->references_;
  }
  static uint32_t SiteRelease(IHostSite* self) {
    return --OwnerOf<TestDesignObject::SiteFace>(self)->references_;
  }
  static LumoraHResult GetSettings(IHostSite* self, LumoraHostSettings* settings) {
    TestDesignObject* o = OwnerOf<TestDesignObject::SiteFace>(self);
    settings->componentDir = View(o->componentDir);
    settings->registry = View(o->registry);
    settings->hostConfig = View(o->hostConfig);
    settings->wizardMode = o->wizardMode;
    settings->script = View(o->script);
    return LUMORA_S_OK;
  }
  static LumoraHResult CreateErrorReport(IHostSite* self, IErrorReport** report) {
    TestDesignObject* o = OwnerOf<TestDesignObject::SiteFace>(self);
    ++o->references_;
    *report = reinterpret_cast<IErrorReport*>(&o->report_);
    return LUMORA_S_OK;
  }

  // IErrorReport (no identity of its own is needed by the component)
  static LumoraHResult ReportQueryInterface(IErrorReport*, const LumoraGuid*, void** out) {
    *out = nullptr;
    return LUMORA_E_NOINTERFACE;
  }
  static uint32_t ReportAddRef(IErrorReport* self) {
    return ++OwnerOf<TestDesignObject::ReportFace>(self)->references_;
  }
  static uint32_t ReportRelease(IErrorReport* self) {
    return --OwnerOf<TestDesignObject::ReportFace>(self)->references_;
  }
  static LumoraHResult ReportError(IErrorReport* self, int32_t number, LumoraString description,
                                   LumoraString source, LumoraString procedure) {
    OwnerOf<TestDesignObject::ReportFace>(self)->reports.push_back(
        {number, Copy(description), Copy(source), Copy(procedure)});
    return LUMORA_S_OK;
  }
};

namespace {
const IDesignObjectVtbl kObjectVtbl = {
    TestObjectCalls::QueryInterface, TestObjectCalls::AddRef,      TestObjectCalls::Release,
    TestObjectCalls::GetProperty,    TestObjectCalls::PutProperty, TestObjectCalls::FreeValue};
const IHostSiteVtbl kSiteVtbl = {TestObjectCalls::SiteQueryInterface, TestObjectCalls::SiteAddRef,
                                 TestObjectCalls::SiteRelease, TestObjectCalls::GetSettings,
                                 TestObjectCalls::CreateErrorReport};
const IErrorReportVtbl kReportVtbl = {TestObjectCalls::ReportQueryInterface,
                                      TestObjectCalls::ReportAddRef, TestObjectCalls::ReportRelease,
                                      TestObjectCalls::ReportError};
}  // namespace

TestDesignObject::TestDesignObject()
    : face_{&kObjectVtbl, this}, site_{&kSiteVtbl, this}, report_{&kReportVtbl, this} {
  componentDir = BinDir();
}

TestDesignObject::~TestDesignObject() = default;

}  // namespace lumora::testing
