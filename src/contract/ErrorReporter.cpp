#include "contract/ErrorReporter.h"

#include <exception>
#include <new>
#include <string>

#include "contract/HostLibrary.h"
#include "contract/ProcessState.h"

namespace lumora {

ErrorReporter::ErrorReporter() = default;
ErrorReporter::~ErrorReporter() = default;

void ErrorReporter::Report(const Failure& failure, std::string_view procedure) {
  if (!report_) report_ = component::Host().NewErrorReport();
  int32_t number = failure.number();
  std::string description = failure.description();
  std::string source = failure.source();
  std::string procedureText(procedure);
  report_->ReportError(number, description, source, procedureText);
}

void ErrorReporter::ReportCurrentException(std::string_view procedure) {
  try {
    throw;
  } catch (const Failure& failure) {
    Report(failure, procedure);
  } catch (const std::bad_alloc&) {
    Report(Failure(kOutOfMemory, ClassicDescription(kOutOfMemory)), procedure);
  } catch (const std::exception& e) {
    Report(Failure(kInternalError, e.what()), procedure);
  } catch (...) {
    Report(Failure(kInternalError, ClassicDescription(kInternalError)), procedure);
  }
}

}  // namespace lumora
