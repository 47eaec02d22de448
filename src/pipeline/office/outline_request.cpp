#include "pipeline/office/outline_request.h"

#include <dlfcn.h>

#include <filesystem>

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/lang/XSingleComponentFactory.hpp>
#include <com/sun/star/loader/XImplementationLoader.hpp>
#include <com/sun/star/registry/XRegistryKey.hpp>
#include <com/sun/star/task/XJob.hpp>

#include "pipeline/automation.h"
#include "pipeline/office/reader/outline_reader.h"

namespace orv::office {
namespace {

using namespace css;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

// The reader lies beside this plugin, in the build tree as installed.
std::string ReaderPath() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(&ReaderPath), &info) == 0 || info.dli_fname == nullptr) {
    throw AutomationError("The outline reader cannot be found: the bridge does not know where it lies");
  }
  const std::filesystem::path path = std::filesystem::path(info.dli_fname).parent_path() / kOutlineReaderLibrary;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec))
    throw AutomationError("The outline reader is missing: " + path.string());
  return path.string();
}

}  // namespace

std::string RequestOutline(OfficeSession& session, const Reference<lang::XComponent>& document, bool withNotes) {
  Reference<loader::XImplementationLoader> loader(session.CreateInstance("com.sun.star.loader.SharedLibrary"),
                                                  UNO_QUERY_THROW);
  Reference<lang::XSingleComponentFactory> factory(
      loader->activate(rtl::OUString::createFromAscii(kOutlineReaderName), rtl::OUString(),
                       ToUno(FileUrl(ReaderPath())), Reference<registry::XRegistryKey>()),
      UNO_QUERY_THROW);
  Reference<task::XJob> reader(factory->createInstanceWithContext(session.context()), UNO_QUERY_THROW);
  const beans::NamedValue values[] = {beans::NamedValue("Document", uno::Any(document)),
                                      beans::NamedValue("Notes", uno::Any(withNotes))};
  const uno::Sequence<beans::NamedValue> arguments(values, 2);
  rtl::OUString reply;
  if (!(reader->execute(arguments) >>= reply)) throw AutomationError("The outline reader gave no outline");
  return FromUno(reply);
}

}  // namespace orv::office
