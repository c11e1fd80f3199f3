// libBVLumora.so through its exports and interfaces only, as a host loads it: the class factory,
// IsIncluded through a host-implemented design object, QueryInterface rules, the unload check,
// the wizard through the host site, and registration in a temporary component registry.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include <nlohmann/json.hpp>

#include "component/ComponentHarness.h"
#include "marshal/Marshal.h"
#include "support/RunProcess.h"
#include "support/ScopedEnv.h"

extern "C" int LumoraPublicHeaderCheck(void);

namespace lumora {
namespace {

using testing::Component;
using testing::TestDesignObject;

// One reference, released at the end of the scope.
template <class Interface>
struct Ref {
  Interface* p = nullptr;
  Ref() = default;
  explicit Ref(void* q) : p(static_cast<Interface*>(q)) {}
  ~Ref() { Reset(); }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
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

Ref<IClassFactory>* NewFactory(Ref<IClassFactory>& factory) {
  EXPECT_EQ(Component().getClassObject(&CLSID_LumoraCtl, &IID_IClassFactory, factory.Out()),
            LUMORA_S_OK);
  return &factory;
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
  TestDesignObject object;
  object.properties["Drivers"] = Value::Strings({"SQL Server", "Microsoft Access Driver (*.mdb)"});
  object.properties["DriversSelections"] = Value::Booleans({true, false});
  {
    Ref<ISetupDesignObjectBuild> build;
    Create(build, IID_ISetupDesignObjectBuild);
    EXPECT_EQ(Ask(build.p, object.get(), "SQL SERVER DRIVER\\GERMAN").included, 1);
    EXPECT_EQ(Ask(build.p, object.get(), "dtdb 3.5").included, 1);  // DTDBVerNo unset counts as 0
    EXPECT_EQ(Ask(build.p, object.get(), "DTDB 4.0").included, 0);
    EXPECT_EQ(Ask(build.p, object.get(), "DTDB 3.5\\ACCESS DRIVER").included, 0);
    object.properties["DTDBVerNo"] = Value::Integer(1);
    EXPECT_EQ(Ask(build.p, object.get(), "DTDB 4.0").included, 1);
    // The path ends at its first NUL, which crosses the boundary with the string.
    EXPECT_EQ(Ask(build.p, object.get(), std::string("SQL SERVER DRIVER\0junk", 23)).included, 1);
    EXPECT_EQ(Ask(build.p, object.get(), std::string("\0ODBC", 5)).included, 0);
    // No design object: false for every path, the object's own parts included.
    const Answer none = Ask(build.p, nullptr, "ODBC");
    EXPECT_EQ(none.result, LUMORA_S_OK);
    EXPECT_EQ(none.included, 0);
  }
  EXPECT_EQ(object.valuesOutstanding(), 0);
  EXPECT_EQ(object.references(), 0) << "the component keeps no reference after the last object";
}

TEST(ComponentBuildQuestion, AFailureComesBackWithItsNumberDescriptionAndSource) {
  TestDesignObject object;
  object.properties["Drivers"] = Value::Strings({"SQL Server"});
  object.properties["DriversSelections"] = Value::Booleans({});  // shorter than Drivers
  Ref<ISetupDesignObjectBuild> build;
  Create(build, IID_ISetupDesignObjectBuild);
  Answer answer = Ask(build.p, object.get(), "SQL SERVER DRIVER");
  EXPECT_EQ(answer.result, LUMORA_DISP_E_EXCEPTION);
  EXPECT_EQ(answer.failure.number, 9);
  EXPECT_EQ(answer.failure.description, "Subscript out of range");
  EXPECT_EQ(answer.failure.source, "BVLumora");
  EXPECT_EQ(Ask(build.p, object.get(), "ODBC").result, LUMORA_S_OK) << "nothing is left broken";

  // A failure of the host's own design object is passed on as it was given.
  object.properties["DriversSelections"] = Value::Booleans({true});
  object.refuseGet = "DTDBVerNo";
  answer = Ask(build.p, object.get(), "DTDB 3.5");
  EXPECT_EQ(answer.result, LUMORA_DISP_E_EXCEPTION);
  EXPECT_EQ(answer.failure.number, 5);
  EXPECT_EQ(answer.failure.description, "refused by the test host");
  EXPECT_EQ(answer.failure.source, "TestHost");
  EXPECT_EQ(object.valuesOutstanding(), 0);
}

TEST(ComponentBuildQuestion, UnusableHostSettingsAreSaidBeforeAnythingIsAsked) {
  testing::TempDir dir;
  dir.Write("bad.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"a\"=nonsense\n");
  TestDesignObject object;
  object.hasSite = true;
  object.registry = dir.File("bad.reg");
  {
    Ref<ISetupDesignObjectBuild> build;
    Create(build, IID_ISetupDesignObjectBuild);
    const Answer answer = Ask(build.p, object.get(), "ODBC");
    EXPECT_EQ(answer.result, LUMORA_E_HOSTINPUT);
    EXPECT_EQ(answer.failure.description.rfind(dir.File("bad.reg") + ":4:", 0), 0u)
        << answer.failure.description;
  }
  EXPECT_EQ(object.references(), 0);
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

  void* none = &none;
  EXPECT_EQ(wizard->lpVtbl->QueryInterface(wizard.p, &IID_IClassFactory, &none),
            LUMORA_E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(wizard->lpVtbl->QueryInterface(wizard.p, &IID_IUnknown, nullptr), LUMORA_E_POINTER);

  Ref<IClassFactory> factory;
  NewFactory(factory);
  none = &none;
  EXPECT_EQ(factory->lpVtbl->QueryInterface(factory.p, &IID_IDevWizard, &none),
            LUMORA_E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(factory->lpVtbl->CreateInstance(factory.p, reinterpret_cast<IUnknown*>(wizard.p),
                                            &IID_IDevWizard, &none),
            LUMORA_CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->lpVtbl->CreateInstance(factory.p, nullptr, &IID_IHostSite, &none),
            LUMORA_E_NOINTERFACE);
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
  TestDesignObject object;
  object.properties["Drivers"] = Value::Integer(3);  // not a list
  IFailureInfo* error = nullptr;
  {
    Ref<ISetupDesignObjectBuild> build;
    Create(build, IID_ISetupDesignObjectBuild);
    int32_t included = 0;
    EXPECT_EQ(build->lpVtbl->IsIncluded(build.p, object.get(),
                                        marshal::View(std::string("ODBC\\x")), &included, &error),
              LUMORA_S_OK);
    EXPECT_EQ(build->lpVtbl->IsIncluded(build.p, object.get(),
                                        marshal::View(std::string("SQL SERVER DRIVER")), &included,
                                        &error),
              LUMORA_DISP_E_EXCEPTION);
  }
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(canUnload(), LUMORA_S_FALSE);
  marshal::ReleaseInterface(error);
  EXPECT_EQ(canUnload(), LUMORA_S_OK);
}

// The wizard through the host site: headless, played from a script file.
class ComponentWizard : public ::testing::Test {
 protected:
  int32_t Display(TestDesignObject& object, const std::string& script, LumoraHResult& result,
                  std::string& why) {
    dir_.Write("script", script);
    object.hasSite = true;
    object.script = dir_.File("script");
    Ref<IDevWizard> wizard;
    Create(wizard, IID_IDevWizard);
    int32_t finished = -1;
    IFailureInfo* error = nullptr;
    result = wizard->lpVtbl->Display(wizard.p, object.get(), &finished, &error);
    why = marshal::ReadFailureInfo(error).description;
    marshal::ReleaseInterface(error);
    return finished;
  }
  testing::TempDir dir_;
};

constexpr const char* kFinishWithSqlServer =
    "tick lvwDrivers \"SQL Server\"\nclick cmdNav(3)\nclick cmdNav(3)\nclick cmdNav(3)\n";

TEST_F(ComponentWizard, FinishWritesTheChoicesIntoTheHostsDesignObject) {
  TestDesignObject object;
  LumoraHResult result = 0;
  std::string why;
  EXPECT_EQ(Display(object, kFinishWithSqlServer, result, why), 1);
  EXPECT_EQ(result, LUMORA_S_OK) << why;
  ASSERT_TRUE(object.properties.count("Drivers"));
  const auto& drivers = object.properties["Drivers"].AsStrings();
  EXPECT_NE(std::find(drivers.begin(), drivers.end(), "SQL Server"), drivers.end());
  EXPECT_EQ(object.properties["DTDBVerNo"], Value::Integer(0));
  EXPECT_EQ(object.valuesOutstanding(), 0);
  EXPECT_EQ(object.references(), 0);
}

TEST_F(ComponentWizard, FailuresInsideTheWizardReachTheHostsErrorReport) {
  TestDesignObject object;
  object.refusePut = "DriversInfo";
  LumoraHResult result = 0;
  std::string why;
  Display(object, kFinishWithSqlServer, result, why);
  EXPECT_EQ(result, LUMORA_S_OK) << why;
  ASSERT_FALSE(object.reports.empty());
  EXPECT_EQ(object.reports[0].number, 5);
  EXPECT_EQ(object.reports[0].description, "refused by the test host");
  EXPECT_EQ(object.reports[0].source, "TestHost");
  EXPECT_EQ(object.reports[0].procedure, "WizAPI:SetDriversInObject");
  EXPECT_EQ(object.references(), 0) << "report objects are released with the last LumoraCtl";
}

TEST_F(ComponentWizard, AnUnplayableScriptIsRefusedAndNothingIsWritten) {
  TestDesignObject object;
  LumoraHResult result = 0;
  std::string why;
  EXPECT_EQ(Display(object, "click cmdNav(3)\nfrobnicate\n", result, why), 0);
  EXPECT_EQ(result, LUMORA_E_HOSTINPUT);
  EXPECT_EQ(why.rfind(dir_.File("script") + ":2:", 0), 0u) << why;
  EXPECT_TRUE(object.properties.empty());

  EXPECT_EQ(Display(object, "click cmdNope\n", result, why), 0);
  EXPECT_EQ(result, LUMORA_E_HOSTINPUT);
  EXPECT_NE(why.find("nothing written"), std::string::npos) << why;
  EXPECT_TRUE(object.properties.empty());
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
  EXPECT_EQ(clsid, "{AFB22445-A174-40F6-8071-E46B5B17970C}");
  EXPECT_EQ(document["progIds"]["BVLumora.LumoraCtl"], clsid);
  const auto& entry = document["classes"][clsid];
  EXPECT_EQ(entry["name"], "LumoraCtl");
  const std::string path = entry["path"];
  EXPECT_EQ(std::filesystem::path(path).filename(), "libBVLumora.so");
  EXPECT_TRUE(std::filesystem::equivalent(path, testing::BinDir() + "/libBVLumora.so"));
  EXPECT_EQ(document["typeLibs"][marshal::GuidText(LIBID_BVLumora)]["description"],
            "Brevant Lumora Object Wizard");
  ASSERT_EQ(Component().registerServer(), LUMORA_S_OK) << "registering twice is no failure";

  ASSERT_EQ(Component().unregisterServer(), LUMORA_S_OK);
  EXPECT_FALSE(std::filesystem::exists(File()));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("lumora")));
  EXPECT_EQ(Component().unregisterServer(), LUMORA_S_OK) << "nothing to remove is no failure";
}

TEST_F(ComponentRegistration, KeepsWhatElseTheRegistryHolds) {
  std::filesystem::create_directory(dir_.File("lumora"));
  const std::string before =
      "{\n  \"classes\": {\n    \"{0000AAAA-0000-0000-0000-000000000001}\": {\n"
      "      \"name\": \"Other\",\n      \"path\": \"/opt/other.so\"\n    }\n  },\n"
      "  \"note\": \"kept\"\n}\n";
  dir_.Write("lumora/components.json", before);
  ASSERT_EQ(Component().registerServer(), LUMORA_S_OK);
  const auto registered = nlohmann::json::parse(testing::ReadFile(File()));
  EXPECT_EQ(registered["classes"].size(), 2u);
  EXPECT_EQ(registered["note"], "kept");
  ASSERT_EQ(Component().unregisterServer(), LUMORA_S_OK);
  EXPECT_EQ(testing::ReadFile(File()), before);
}

TEST_F(ComponentRegistration, LeavesAnUnreadableRegistryAlone) {
  std::filesystem::create_directory(dir_.File("lumora"));
  dir_.Write("lumora/components.json", "{ not json");
  EXPECT_EQ(Component().registerServer(), LUMORA_SELFREG_E_CLASS);
  EXPECT_EQ(Component().unregisterServer(), LUMORA_SELFREG_E_CLASS);
  EXPECT_EQ(testing::ReadFile(File()), "{ not json");
}

}  // namespace
}  // namespace lumora
