#include "host/HostDesignObject.h"

#include <cstdio>
#include <new>

#include "contract/Failure.h"
#include "host/DesignObjectFile.h"
#include "hostlib/StderrErrorReport.h"
#include "marshal/Marshal.h"

namespace lumora {
namespace {

using marshal::Copy;
using marshal::View;

// The error-report object: one line on standard error per report.
struct StderrReport : marshal::ComObject<StderrReport> {
  marshal::Face<IErrorReport, StderrReport> face;
  std::atomic<long>* live;

  explicit StderrReport(std::atomic<long>* counted);
  ~StderrReport() {
    if (live != nullptr) --*live;
  }
  LumoraHResult QueryInterface(const LumoraGuid* iid, void** out) {
    return Query(iid, out, {{&IID_IErrorReport, &face}});
  }
  static LumoraHResult LUMORA_CALL ReportError(IErrorReport*, int32_t number,
                                               LumoraString description, LumoraString source,
                                               LumoraString procedure) {
    const std::string line =
        StderrErrorReport::Format(number, Copy(description), Copy(source), Copy(procedure)) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    return LUMORA_S_OK;
  }
};
using ReportUnknown = marshal::Unknown<IErrorReport, StderrReport>;
const IErrorReportVtbl kReportVtbl = {ReportUnknown::QueryInterface, ReportUnknown::AddRef,
                                      ReportUnknown::Release, StderrReport::ReportError};
StderrReport::StderrReport(std::atomic<long>* counted) : face{&kReportVtbl, this}, live(counted) {
  if (live != nullptr) ++*live;
}

// The design object lumora hands the component: the two faces, nothing more.
class PlainObject final : public FaceOwner {
 public:
  explicit PlainObject(HostObjectState state) : faces_(*this) { faces_.state = std::move(state); }
  IDesignObject* design() { return faces_.design(); }
  LumoraHResult OwnerQueryInterface(const LumoraGuid* iid, void** out) override {
    if (out == nullptr) return LUMORA_E_POINTER;
    *out = nullptr;
    if (iid == nullptr) return LUMORA_E_INVALIDARG;
    *out = marshal::SameGuid(*iid, IID_IUnknown) ? faces_.design() : faces_.Find(*iid);
    if (*out == nullptr) return LUMORA_E_NOINTERFACE;
    OwnerAddRef();
    return LUMORA_S_OK;
  }
  LumoraRefCount OwnerAddRef() override { return ++references_; }
  LumoraRefCount OwnerRelease() override {
    const LumoraRefCount left = --references_;
    if (left == 0) delete this;
    return left;
  }

 private:
  ~PlainObject() = default;
  HostFaces faces_;
  std::atomic<LumoraRefCount> references_{1};
};

}  // namespace

const IDesignObjectVtbl HostFaces::kDesignVtbl = {HostFaces::QueryOf,     HostFaces::AddRefOf,
                                                  HostFaces::ReleaseOf,   HostFaces::GetProperty,
                                                  HostFaces::PutProperty, HostFaces::FreeValue};
const IHostSiteVtbl HostFaces::kSiteVtbl = {HostFaces::QueryOf, HostFaces::AddRefOf,
                                            HostFaces::ReleaseOf, HostFaces::GetSettings,
                                            HostFaces::CreateErrorReport};

HostFaces::HostFaces(FaceOwner& owner, std::atomic<long>* live)
    : design_{&kDesignVtbl, this}, site_{&kSiteVtbl, this}, owner_(owner), live_(live) {}

void* HostFaces::Find(const LumoraGuid& iid) {
  if (marshal::SameGuid(iid, IID_IDesignObject)) return design_.get();
  if (marshal::SameGuid(iid, IID_IHostSite)) return site_.get();
  return nullptr;
}

DesignObjectFile& HostFaces::Opened() {
  if (state.file == nullptr) {
    throw Failure(kObjectNotSet, "no design object: call Open with its file first",
                  kComponentSource);
  }
  return *state.file;
}

// Turns the exception being handled into a failure info for the component.
LumoraHResult HostFaces::Fail(IFailureInfo** error) const {
  marshal::FailureText text{kInternalError, "", "lumora"};
  try {
    throw;
  } catch (const Failure& f) {
    text = {f.number(), f.description(), f.source()};
  } catch (const std::exception& e) {
    text.description = e.what();
  }
  if (error != nullptr) *error = marshal::NewFailureInfo(std::move(text), live_);
  return LUMORA_DISP_E_EXCEPTION;
}

LumoraHResult HostFaces::QueryOf(IDesignObject* self, const LumoraGuid* iid, void** out) {
  return Of(self)->owner_.OwnerQueryInterface(iid, out);
}
LumoraRefCount HostFaces::AddRefOf(IDesignObject* self) {
  return Of(self)->owner_.OwnerAddRef();
}
LumoraRefCount HostFaces::ReleaseOf(IDesignObject* self) {
  return Of(self)->owner_.OwnerRelease();
}
LumoraHResult HostFaces::QueryOf(IHostSite* self, const LumoraGuid* iid, void** out) {
  return Of(self)->owner_.OwnerQueryInterface(iid, out);
}
LumoraRefCount HostFaces::AddRefOf(IHostSite* self) {
  return Of(self)->owner_.OwnerAddRef();
}
LumoraRefCount HostFaces::ReleaseOf(IHostSite* self) {
  return Of(self)->owner_.OwnerRelease();
}

LumoraHResult HostFaces::GetProperty(IDesignObject* self, LumoraString name, LumoraValue* value,
                                     IFailureInfo** error) {
  if (error != nullptr) *error = nullptr;
  if (value == nullptr) return LUMORA_E_POINTER;
  *value = LumoraValue{};
  HostFaces* faces = Of(self);
  try {
    Value property = faces->Opened().GetProperty(Copy(name));
    *value = marshal::ViewCValue(property);
    if (const void* table = marshal::TableOf(*value)) faces->lent_.emplace(table, property);
    return LUMORA_S_OK;
  } catch (...) {
    return faces->Fail(error);
  }
}

LumoraHResult HostFaces::PutProperty(IDesignObject* self, LumoraString name,
                                     const LumoraValue* value, IFailureInfo** error) {
  if (error != nullptr) *error = nullptr;
  if (value == nullptr) return LUMORA_E_POINTER;
  HostFaces* faces = Of(self);
  try {
    faces->Opened().PutProperty(Copy(name), marshal::FromCValue(*value));
    return LUMORA_S_OK;
  } catch (...) {
    return faces->Fail(error);
  }
}

void HostFaces::FreeValue(IDesignObject* self, LumoraValue* value) {
  if (value == nullptr) return;
  const void* table = marshal::TableOf(*value);
  marshal::FreeCView(*value);
  if (table != nullptr) Of(self)->lent_.erase(table);
}

LumoraHResult HostFaces::GetSettings(IHostSite* self, LumoraHostSettings* out) {
  if (out == nullptr) return LUMORA_E_POINTER;
  const HostObjectState& state = Of(self)->state;
  out->componentDir = View(state.settings.componentDir);
  out->registry = View(state.settings.registry);
  out->hostConfig = View(state.settings.hostConfig);
  out->registryView = state.settings.registryView;
  out->wizardMode = state.mode;
  out->script = View(state.script);
  return LUMORA_S_OK;
}

LumoraHResult HostFaces::CreateErrorReport(IHostSite* self, IErrorReport** report) {
  if (report == nullptr) return LUMORA_E_POINTER;
  auto* made = new (std::nothrow) StderrReport(Of(self)->live_);
  if (made == nullptr) return LUMORA_E_OUTOFMEMORY;
  *report = made->face.get();
  return LUMORA_S_OK;
}

IDesignObject* NewHostDesignObject(HostObjectState state) {
  return (new PlainObject(std::move(state)))->design();
}

}  // namespace lumora
