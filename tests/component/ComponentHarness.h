// The component as a host sees it: libBVLumora.so from the build's bin folder, opened with
// dlopen once per test process, and host-side objects made for the tests: an in-memory design
// object (which may refuse gets or puts, and may carry a host site with settings) and an
// error-report object that records every report.
#pragma once

#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "contract/Value.h"
#include "lumora/BVLumora.h"

namespace lumora::testing {

struct ComponentExports {
  LumoraDllRegisterServerFn registerServer;
  LumoraDllUnregisterServerFn unregisterServer;
  LumoraDllGetClassObjectFn getClassObject;
  LumoraDllCanUnloadNowFn canUnloadNow;
};
// Loads the library the first time; fails the test (and aborts it) when it cannot.
const ComponentExports& Component();

struct RecordedReport {
  int32_t number;
  std::string description, source, procedure;
};

// A design object on a property map. Every value it hands out is counted until FreeValue.
class TestDesignObject {
 public:
  TestDesignObject();
  ~TestDesignObject();
  TestDesignObject(const TestDesignObject&) = delete;
  TestDesignObject& operator=(const TestDesignObject&) = delete;

  IDesignObject* get() { return reinterpret_cast<IDesignObject*>(&face_); }

  std::map<std::string, Value> properties;
  // Get or put of a property of this name fails with 5 "refused by the test host" ("TestHost").
  std::string refuseGet, refusePut;
  // With a site: QueryInterface answers IHostSite with these settings.
  bool hasSite = false;
  std::string componentDir, registry = "none", hostConfig, script;
  int32_t wizardMode = LUMORA_WIZARD_SCRIPT;

  std::vector<RecordedReport> reports;
  long valuesOutstanding() const { return outstanding_; }
  long references() const { return references_; }  // besides the test's own

 private:
  struct ObjectFace {
    const IDesignObjectVtbl* lpVtbl;
    TestDesignObject* owner;
  };
  struct SiteFace {
    const IHostSiteVtbl* lpVtbl;
    TestDesignObject* owner;
  };
  struct ReportFace {
    const IErrorReportVtbl* lpVtbl;
    TestDesignObject* owner;
  };
  friend struct TestObjectCalls;

  ObjectFace face_;
  SiteFace site_;
  ReportFace report_;
  long references_ = 0;
  long outstanding_ = 0;
};

}  // namespace lumora::testing
