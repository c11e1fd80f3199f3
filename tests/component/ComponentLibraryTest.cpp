// libBVLumora.so through its exports and interfaces only, as a host loads it: the class factory,
// IsIncluded through a host-implemented design object, QueryInterface rules, the unload check,
// the wizard through the host site, and registration in a temporary component registry, by
// the library's exports and by lumora register.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <tuple>

#include <nlohmann/json.hpp>

#include "contract/Failure.h"
#include "lumora/BVLumora.h"
#include "marshal/ComObject.h"
#include "marshal/Marshal.h"
#include "support/RunProcess.h"
#include "support/ScopedEnv.h"
#include "support/doubles/MemoryDesignObject.h"

extern "C" int LumoraPublicHeaderCheck(void);

namespace lumora {
namespace {

struct Exports {
  LumoraDllRegisterServerFn registerServer;
  LumoraDllUnregisterServerFn unregisterServer;
  LumoraDllGetClassObjectFn getClassObject;
  LumoraDllCanUnloadNowFn canUnloadNow;
};

// The library from the build's bin folder, opened once per test process.
const Exports& Component() {
  static const Exports exports = [] {
    const std::string path = testing::BinDir() + "/" + LUMORA_LIBRARY_FILE;
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto find = [&](const char* name) {
      void* symbol = library != nullptr ? ::dlsym(library, name) : nullptr;
      if (symbol == nullptr) {
        ADD_FAILURE() << "cannot load " << name << " of " << path << ": " << ::dlerror();
        std::abort();
      }
      return symbol;
    };
    return Exports{reinterpret_cast<LumoraDllRegisterServerFn>(find("DllRegisterServer")),
                   reinterpret_cast<LumoraDllUnregisterServerFn>(find("DllUnregisterServer")),
                   reinterpret_cast<LumoraDllGetClassObjectFn>(find("DllGetClassObject")),
                   reinterpret_cast<LumoraDllCanUnloadNowFn>(find("DllCanUnloadNow"))};
  }();
  return exports;
}

// The host's design object over a property store; a get or put of the name in refuseGet or
// refusePut fails with 5 "refused by the test host" ("TestHost"). With a site it answers IHostSite
// with the settings below, and its error report records every report as "number description
// (source) in procedure". Every value it hands out is counted until FreeValue.
struct TestObject : marshal::ComObject<TestObject> {
  marshal::Face<IDesignObject, TestObject> face;
  marshal::Face<IHostSite, TestObject> site;
  marshal::Face<IErrorReport, TestObject> report;
  MemoryDesignObject store;
  std::string refuseGet, refusePut;
  bool hasSite = false;
  std::string registry = "none", script;
  std::vector<std::string> reports;
  long outstanding = 0;

  TestObject();
  IDesignObject* get() { return face.get(); }
  // References besides the test's own.
  uint32_t references() {
    const uint32_t count = AddRef();
    Release();
    return count - 2;
  }
  LumoraHResult QueryInterface(const LumoraGuid* iid, void** out) {
    if (!hasSite) return Query(iid, out, {{&IID_IDesignObject, &face}});
    return Query(iid, out, {{&IID_IDesignObject, &face}, {&IID_IHostSite, &site}});
  }
  static TestObject* Of(IDesignObject* self) { return decltype(face)::OwnerOf(self); }
  static LumoraHResult Refuse(IFailureInfo** error) {
    if (error != nullptr) {
      *error = marshal::NewFailureInfo({kInvalidArgument, "refused by the test host", "TestHost"});
    }
    return LUMORA_DISP_E_EXCEPTION;
  }
  static LumoraHResult GetProperty(IDesignObject* self, LumoraString name, LumoraValue* value,
                                   IFailureInfo** error) {
    TestObject* o = Of(self);
    if (marshal::Copy(name) == o->refuseGet) return Refuse(error);
    *value = marshal::ToCValue(o->store.Peek(marshal::Copy(name)));
    ++o->outstanding;
    return LUMORA_S_OK;
  }
  static LumoraHResult PutProperty(IDesignObject* self, LumoraString name, const LumoraValue* value,
                                   IFailureInfo** error) {
    TestObject* o = Of(self);
    if (marshal::Copy(name) == o->refusePut) return Refuse(error);
    o->store.PutProperty(marshal::Copy(name), marshal::FromCValue(*value));
    return LUMORA_S_OK;
  }
  static void FreeValue(IDesignObject* self, LumoraValue* value) {
    marshal::FreeCValue(*value);
    --Of(self)->outstanding;
  }
  static LumoraHResult GetSettings(IHostSite*, LumoraHostSettings* settings);
  static LumoraHResult CreateErrorReport(IHostSite* self, IErrorReport** out) {
    TestObject* o = decltype(site)::OwnerOf(self);
    o->AddRef();
    *out = o->report.get();
    return LUMORA_S_OK;
  }
  static LumoraHResult ReportError(IErrorReport* self, int32_t number, LumoraString description,
                                   LumoraString source, LumoraString procedure) {
    decltype(report)::OwnerOf(self)->reports.push_back(
        std::to_string(number) + " " + marshal::Copy(description) + " (" + marshal::Copy(source) +
        ") in " + marshal::Copy(procedure));
    return LUMORA_S_OK;
  }
};

const std::string kBinDir = testing::BinDir(), kNone;
LumoraHResult TestObject::GetSettings(IHostSite* self, LumoraHostSettings* settings) {
  const TestObject* o = decltype(site)::OwnerOf(self);
  *settings = {marshal::View(kBinDir), marshal::View(o->registry), marshal::View(kNone),
               LUMORA_WIZARD_SCRIPT,   marshal::View(o->script),   0};
  return LUMORA_S_OK;
}
using ObjectUnknown = marshal::Unknown<IDesignObject, TestObject>;
using SiteUnknown = marshal::Unknown<IHostSite, TestObject>;
using ReportUnknown = marshal::Unknown<IErrorReport, TestObject>;
const IDesignObjectVtbl kObjectVtbl = {ObjectUnknown::QueryInterface, ObjectUnknown::AddRef,
                                       ObjectUnknown::Release,        TestObject::GetProperty,
                                       TestObject::PutProperty,       TestObject::FreeValue};
const IHostSiteVtbl kSiteVtbl = {SiteUnknown::QueryInterface, SiteUnknown::AddRef,
                                 SiteUnknown::Release, TestObject::GetSettings,
                                 TestObject::CreateErrorReport};
const IErrorReportVtbl kReportVtbl = {ReportUnknown::QueryInterface, ReportUnknown::AddRef,
                                      ReportUnknown::Release, TestObject::ReportError};
TestObject::TestObject()
    : face{&kObjectVtbl, this}, site{&kSiteVtbl, this}, report{&kReportVtbl, this} {}

// The test's own reference, released at the end of the scope.
using Object = std::unique_ptr<TestObject, decltype([](TestObject* o) { o->Release(); })>;

// One reference to a component's interface, released at the end of the scope.
template <class Interface>
struct Ref {
  Interface* p = nullptr;
  ~Ref() { Reset(); }
  void Reset() {
    if (p != nullptr) p->lpVtbl->Release(p);
    p = nullptr;
  }
  void** Out() {
    Reset();
    return reinterpret_cast<void**>(&p);
  }
  Interface* operator->() const { return p; }
};

void NewFactory(Ref<IClassFactory>& factory) {
  EXPECT_EQ(Component().getClassObject(&CLSID_LumoraCtl, &IID_IClassFactory, factory.Out()),
            LUMORA_S_OK);
}

template <class Interface>
void Create(Ref<Interface>& out, const LumoraGuid& iid) {
  Ref<IClassFactory> factory;
  NewFactory(factory);
  ASSERT_NE(factory.p, nullptr);
  ASSERT_EQ(factory->lpVtbl->CreateInstance(factory.p, nullptr, &iid, out.Out()), LUMORA_S_OK);
}

struct Answer {
  LumoraHResult result;
  int32_t included;
  marshal::FailureText failure;
};

Answer Ask(ISetupDesignObjectBuild* build, IDesignObject* object, const std::string& path) {
  Answer answer{};
  IFailureInfo* error = nullptr;
  answer.result =
      build->lpVtbl->IsIncluded(build, object, marshal::View(path), &answer.included, &error);
  answer.failure = marshal::ReadFailureInfo(error);
  marshal::ReleaseInterface(error);
  return answer;
}

TEST(ComponentHeader, CompilesAsCWithTheShapesAHostRelieson) {
  EXPECT_EQ(LumoraPublicHeaderCheck(), 0);
}

TEST(ComponentBuildQuestion, AnswersThroughTheHostsDesignObjectAndFreesEveryValue) {
  Object object(new TestObject);
  object->store.PutProperty("Drivers",
                            Value::Strings({"SQL Server", "Microsoft Access Driver (*.mdb)"}));
  object->store.PutProperty("DriversSelections", Value::Booleans({true, false}));
  {
    Ref<ISetupDesignObjectBuild> build;
    Create(build, IID_ISetupDesignObjectBuild);
    // How paths match is BuildInclusion's; here the path ends at its first NUL, which crosses
    // the boundary with the string.
    const std::pair<std::string, int32_t> cases[] = {
        {"SQL SERVER DRIVER\\GERMAN", 1},
        {std::string("SQL SERVER DRIVER\0junk", 23), 1},
        {std::string("\0ODBC", 5), 0},
    };
    for (const auto& [path, included] : cases) {
      EXPECT_EQ(Ask(build.p, object->get(), path).included, included) << path;
    }
    // No design object: false for every path, the object's own parts included.
    const Answer none = Ask(build.p, nullptr, "ODBC");
    EXPECT_EQ(none.result, LUMORA_S_OK);
    EXPECT_EQ(none.included, 0);
  }
  EXPECT_EQ(object->outstanding, 0);
  EXPECT_EQ(object->references(), 0u) << "the component keeps no reference after the last object";
}

// The component's own failures cross with their number, description and source (lumora build
// prints them: BuildCommand.FailingQueryPrintsTheErrorAndExitsOne). A failure of the host's own
// design object is passed on as it was given, unusable host settings are said before anything
// is asked, and nothing is left broken.
TEST(ComponentBuildQuestion, HostFailuresComeBackAsTheyWereGiven) {
  const std::string badRegistry = "tests/data/registry/bad-value.reg";  // line 4 is unreadable
  Object refusing(new TestObject), badSettings(new TestObject);
  refusing->store.PutProperty("Drivers", Value::Strings({"SQL Server"}));
  refusing->store.PutProperty("DriversSelections", Value::Booleans({true}));
  refusing->refuseGet = "DTDBVerNo";
  badSettings->hasSite = true;
  badSettings->registry = badRegistry;
  {
    Ref<ISetupDesignObjectBuild> build;
    Create(build, IID_ISetupDesignObjectBuild);
    Answer answer = Ask(build.p, refusing->get(), "DTDB 3.5");
    EXPECT_EQ(answer.result, LUMORA_DISP_E_EXCEPTION);
    EXPECT_EQ(std::tie(answer.failure.number, answer.failure.description, answer.failure.source),
              std::make_tuple(5, "refused by the test host", "TestHost"));
    answer = Ask(build.p, badSettings->get(), "ODBC");
    EXPECT_EQ(answer.result, LUMORA_E_HOSTINPUT);
    EXPECT_EQ(answer.failure.description.rfind(badRegistry + ":4:", 0), 0u)
        << answer.failure.description;
    EXPECT_EQ(Ask(build.p, refusing->get(), "ODBC").result, LUMORA_S_OK) << "nothing is broken";
  }
  EXPECT_EQ(refusing->outstanding, 0);
  EXPECT_EQ(refusing->references() + badSettings->references(), 0u);
}

TEST(ComponentObjects, FollowTheQueryInterfaceRules) {
  Ref<IDevWizard> wizard;
  Create(wizard, IID_IDevWizard);
  Ref<ISetupDesignObjectBuild> build;
  ASSERT_EQ(wizard->lpVtbl->QueryInterface(wizard.p, &IID_ISetupDesignObjectBuild, build.Out()),
            LUMORA_S_OK);
  Ref<IUnknown> fromWizard, fromBuild;
  ASSERT_EQ(wizard->lpVtbl->QueryInterface(wizard.p, &IID_IUnknown, fromWizard.Out()), LUMORA_S_OK);
  ASSERT_EQ(build->lpVtbl->QueryInterface(build.p, &IID_IUnknown, fromBuild.Out()), LUMORA_S_OK);
  EXPECT_EQ(fromWizard.p, fromBuild.p) << "one identity for every interface of the object";
  Ref<IDevWizard> again;
  ASSERT_EQ(build->lpVtbl->QueryInterface(build.p, &IID_IDevWizard, again.Out()), LUMORA_S_OK);
  EXPECT_EQ(again.p, wizard.p);
  EXPECT_EQ(wizard->lpVtbl->QueryInterface(wizard.p, &IID_IUnknown, nullptr), LUMORA_E_POINTER);

  Ref<IClassFactory> factory;
  NewFactory(factory);
  const std::function<LumoraHResult(void**)> refused[] = {
      [&](void** out) { return wizard->lpVtbl->QueryInterface(wizard.p, &IID_IClassFactory, out); },
      [&](void** out) { return factory->lpVtbl->QueryInterface(factory.p, &IID_IDevWizard, out); },
      [&](void** out) {
        return factory->lpVtbl->CreateInstance(factory.p, nullptr, &IID_IHostSite, out);
      },
  };
  for (const auto& call : refused) {
    void* none = &none;
    EXPECT_EQ(call(&none), LUMORA_E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
  }
  void* none = &none;
  EXPECT_EQ(factory->lpVtbl->CreateInstance(factory.p, reinterpret_cast<IUnknown*>(wizard.p),
                                            &IID_IDevWizard, &none),
            LUMORA_CLASS_E_NOAGGREGATION);
  EXPECT_EQ(Component().getClassObject(&IID_IDevWizard, &IID_IClassFactory, &none),
            LUMORA_CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(none, nullptr);
}

TEST(ComponentUnload, IsRefusedWhileAnObjectOrALockLives) {
  const auto canUnload = [] { return Component().canUnloadNow(); };
  ASSERT_EQ(canUnload(), LUMORA_S_OK);
  {
    Ref<IClassFactory> factory;
    NewFactory(factory);
    EXPECT_EQ(canUnload(), LUMORA_S_FALSE) << "the factory is alive";
    ASSERT_EQ(factory->lpVtbl->LockServer(factory.p, 1), LUMORA_S_OK);
    Ref<IDevWizard> wizard;
    ASSERT_EQ(factory->lpVtbl->CreateInstance(factory.p, nullptr, &IID_IDevWizard, wizard.Out()),
              LUMORA_S_OK);
    factory.Reset();
    EXPECT_EQ(canUnload(), LUMORA_S_FALSE) << "LumoraCtl and the lock are alive";
    wizard.Reset();
    EXPECT_EQ(canUnload(), LUMORA_S_FALSE) << "the lock is held";
    NewFactory(factory);
    ASSERT_EQ(factory->lpVtbl->LockServer(factory.p, 0), LUMORA_S_OK);
  }
  EXPECT_EQ(canUnload(), LUMORA_S_OK);

  // A failure info handed to the host is an object of the library too.
  Object object(new TestObject);
  object->store.PutProperty("Drivers", Value::Integer(3));  // not a list
  IFailureInfo* error = nullptr;
  {
    Ref<ISetupDesignObjectBuild> build;
    Create(build, IID_ISetupDesignObjectBuild);
    int32_t included = 0;
    EXPECT_EQ(build->lpVtbl->IsIncluded(build.p, object->get(), marshal::View("SQL SERVER DRIVER"),
                                        &included, &error),
              LUMORA_DISP_E_EXCEPTION);
  }
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(canUnload(), LUMORA_S_FALSE);
  marshal::ReleaseInterface(error);
  EXPECT_EQ(canUnload(), LUMORA_S_OK);
}

// The wizard through the host site, played headless from a script file: Finish writes the
// choices through the host's design object (every scripted case of lumora wizard shows what it
// writes); a failure inside the wizard reaches the host's error report.
TEST(ComponentWizard, FinishWritesThroughTheHostAndFailuresReachItsErrorReport) {
  testing::TempDir dir;
  dir.Write("script",
            "tick lvwDrivers \"SQL Server\"\nclick cmdNav(3)\nclick cmdNav(3)\nclick cmdNav(3)\n");
  Object object(new TestObject);
  object->hasSite = true;
  object->script = dir.File("script");
  object->refusePut = "DriversInfo";
  {
    Ref<IDevWizard> wizard;
    Create(wizard, IID_IDevWizard);
    int32_t finished = -1;
    IFailureInfo* error = nullptr;
    EXPECT_EQ(wizard->lpVtbl->Display(wizard.p, object->get(), &finished, &error), LUMORA_S_OK);
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(finished, 1);
  }
  EXPECT_EQ(object->store.Peek("DTDBVerNo"), Value::Integer(0));
  EXPECT_EQ(object->outstanding, 0);
  ASSERT_FALSE(object->reports.empty());
  EXPECT_EQ(object->reports[0],
            "5 refused by the test host (TestHost) in WizAPI:SetDriversInObject");
  EXPECT_EQ(object->references(), 0u) << "report objects are released with the last LumoraCtl";
}

// Registration, in a component registry of a temporary XDG data folder.
class ComponentRegistration : public ::testing::Test {
 protected:
  std::string File() const { return dir_.File("lumora/components.json"); }

  testing::TempDir dir_;
  testing::ScopedEnv env_{"XDG_DATA_HOME", dir_.path().c_str()};
};

TEST_F(ComponentRegistration, RecordsTheClassAndTypeLibraryAndRemovesThemWithoutATrace) {
  ASSERT_EQ(Component().registerServer(), LUMORA_S_OK);
  const auto document = nlohmann::json::parse(testing::ReadFile(File()));
  const std::string clsid = marshal::GuidText(CLSID_LumoraCtl);
  EXPECT_EQ(document["progIds"]["BVLumora.LumoraCtl"], clsid);
  const auto& entry = document["classes"][clsid];
  EXPECT_EQ(entry["name"], "LumoraCtl");
  EXPECT_TRUE(std::filesystem::equivalent(std::string(entry["path"]),
                                          testing::BinDir() + "/libBVLumora.so"));
  EXPECT_TRUE(document["typeLibs"].contains(marshal::GuidText(LIBID_BVLumora)));
  ASSERT_EQ(Component().registerServer(), LUMORA_S_OK) << "registering twice is no failure";

  ASSERT_EQ(Component().unregisterServer(), LUMORA_S_OK);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("lumora")));
  EXPECT_EQ(Component().unregisterServer(), LUMORA_S_OK) << "nothing to remove is no failure";
}

TEST_F(ComponentRegistration, KeepsWhatElseTheRegistryHoldsAndLeavesAnUnreadableOneAlone) {
  const std::string before = testing::ReadFile("tests/data/components/other-class.json");
  dir_.Write("lumora/components.json", before);
  ASSERT_EQ(Component().registerServer(), LUMORA_S_OK);
  const auto registered = nlohmann::json::parse(testing::ReadFile(File()));
  EXPECT_EQ(registered["classes"].size(), 2u);
  EXPECT_EQ(registered["note"], "kept");
  ASSERT_EQ(Component().unregisterServer(), LUMORA_S_OK);
  EXPECT_EQ(testing::ReadFile(File()), before);

  dir_.Write("lumora/components.json", "{ not json");
  EXPECT_EQ(Component().registerServer(), LUMORA_SELFREG_E_CLASS);
  EXPECT_EQ(Component().unregisterServer(), LUMORA_SELFREG_E_CLASS);
  EXPECT_EQ(testing::ReadFile(File()), "{ not json");
}

// lumora as the host of the component: register and unregister call the component's exports,
// and the other commands load the class that the component registry names, else the library
// beside lumora.
using HostCommand = ComponentRegistration;

TEST_F(HostCommand, RegisterAndUnregisterCallTheComponentsExports) {
  auto r = testing::RunProcess(testing::Lumora(), {"register"});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out.rfind("registered BVLumora.LumoraCtl (", 0), 0u) << r.out;
  EXPECT_NE(testing::ReadFile(File()).find("Brevant Lumora Object Wizard"), std::string::npos);

  r = testing::RunProcess(testing::Lumora(), {"build", "examples/object.json", "ODBC"});
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out, "true\tODBC\n");

  // What unregister leaves is the other registration tests'.
  ASSERT_EQ(testing::RunProcess(testing::Lumora(), {"unregister"}).exitStatus, 0);
  r = testing::RunProcess(testing::Lumora(), {"register", dir_.File("missing.so")});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("cannot load the component"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(File()));
}

TEST_F(HostCommand, LoadsTheClassTheRegistryNamesAndNeverAnotherOne) {
  // A registration naming a file that is no library: lumora must try that file.
  dir_.Write("fake/libBVLumora.so", "not a library");
  dir_.Write("lumora/components.json", testing::RegistryNaming(dir_.File("fake/libBVLumora.so")));
  auto r = testing::RunProcess(testing::Lumora(), {"build", "examples/object.json", "ODBC"});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find(dir_.File("fake/libBVLumora.so")), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");

  // A registration whose file is gone is refused by name: the library beside lumora is not
  // loaded in its place.
  std::filesystem::remove(dir_.File("fake/libBVLumora.so"));
  r = testing::RunProcess(testing::Lumora(), {"build", "examples/object.json", "ODBC"});
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_NE(r.err.find(dir_.File("fake/libBVLumora.so") + " registered in "), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("No such file"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace lumora
