#include "pipeline/office/open_failure.h"
#include "pipeline/office/office_process.h"

#include <cstdint>
#include <cstring>
#include <fstream>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/XTypeDetection.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/io/IOException.hpp>
#include <com/sun/star/io/XInputStream.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/task/PasswordRequest.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionRequest.hpp>
#include <com/sun/star/ucb/XSimpleFileAccess.hpp>
#include <cppuhelper/implbase1.hxx>

namespace orv::office {
namespace {

using namespace css;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using rtl::OUString;

constexpr char kPresentationService[] = "com.sun.star.presentation.PresentationDocument";

// Every password request of the loader (DocumentPasswordRequest,
// DocumentMSPasswordRequest and their second versions) is a PasswordRequest.
class RefusingHandler final : public cppu::WeakImplHelper1<task::XInteractionHandler> {
 public:
  explicit RefusingHandler(std::shared_ptr<LoadQuestions> questions) : questions_(std::move(questions)) {}

  void SAL_CALL handle(const Reference<task::XInteractionRequest>& request) override {
    if (!request.is()) return;
    const uno::Any what = request->getRequest();
    if (questions_->asked.empty()) questions_->asked = FromUno(what.getValueTypeName());
    task::PasswordRequest password;
    if (!(what >>= password)) return;
    questions_->password = true;
    // Abort ends the load; without it the loader would ask again.
    for (const Reference<task::XInteractionContinuation>& choice : request->getContinuations()) {
      if (Reference<task::XInteractionAbort>(choice, UNO_QUERY).is()) {
        choice->select();
        return;
      }
    }
  }

 private:
  std::shared_ptr<LoadQuestions> questions_;
};

OUString Text(const uno::Sequence<beans::PropertyValue>& values, const char* name) {
  OUString text;
  for (const beans::PropertyValue& value : values) {
    if (value.Name.equalsAscii(name)) value.Value >>= text;
  }
  return text;
}

uno::Sequence<beans::PropertyValue> Entry(const Reference<container::XNameAccess>& table, const OUString& name) {
  uno::Sequence<beans::PropertyValue> values;
  if (table.is() && !name.isEmpty() && table->hasByName(name)) table->getByName(name) >>= values;
  return values;
}

// What LibreOffice's type detection takes the file for, reading its content:
// the type's readable name, and the kind of document its filter makes
// (empty when no type fits).
struct DetectedType {
  std::string name;
  OUString documentService;
};

DetectedType Detect(OfficeSession& session, const std::string& path) {
  Reference<document::XTypeDetection> detection(session.CreateInstance("com.sun.star.document.TypeDetection"),
                                                UNO_QUERY);
  if (!detection.is()) return {};
  beans::PropertyValue descriptor[] = {{}, {}, {}};
  descriptor[0].Name = "URL";
  descriptor[0].Value <<= ToUno(FileUrl(path));
  descriptor[1].Name = "ReadOnly";
  descriptor[1].Value <<= true;
  descriptor[2].Name = "InteractionHandler";
  descriptor[2].Value <<= MakeRefusingHandler(std::make_shared<LoadQuestions>());
  uno::Sequence<beans::PropertyValue> media(descriptor, 3);
  const OUString type = detection->queryTypeByDescriptor(media, true);
  if (type.isEmpty()) return {};
  const uno::Sequence<beans::PropertyValue> typeEntry =
      Entry(Reference<container::XNameAccess>(detection, UNO_QUERY), type);
  Reference<container::XNameAccess> filters(session.CreateInstance("com.sun.star.document.FilterFactory"), UNO_QUERY);
  const OUString uiName = Text(typeEntry, "UIName");
  return {FromUno(uiName.isEmpty() ? type : uiName),
          Text(Entry(filters, Text(typeEntry, "PreferredFilter")), "DocumentService")};
}

// What LibreOffice's own reader of compound files (the container of
// PowerPoint 97 and of encrypted Office 2007 files) finds inside the file.
struct CompoundContent {
  bool powerPoint = false;  // it holds a "PowerPoint Document" stream
  bool encrypted = false;   // its content is encrypted: it opens only with a password
  // It begins as a compound file does, and the reader refused it: the
  // container itself is broken. The reader's words, if any.
  bool broken = false;
  std::string brokenWords;
};

// The first bytes of every compound file.
constexpr unsigned char kCompoundSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

bool BeginsAsCompound(const std::string& path) {
  char head[sizeof kCompoundSignature] = {};
  std::ifstream in(path, std::ios::binary);
  return in.read(head, sizeof head) && std::memcmp(head, kCompoundSignature, sizeof head) == 0;
}

// The header token of the "Current User" stream of an encrypted PowerPoint
// 97 file (0xE391C05F when not encrypted). LibreOffice cannot decrypt those
// and never asks for their password.
constexpr std::uint32_t kEncryptedPowerPointToken = 0xF3D1C4DF;

std::uint32_t CurrentUserToken(const uno::Any& stream) {
  Reference<io::XInputStream> in;
  if (!(stream >>= in) || !in.is()) return 0;
  uno::Sequence<sal_Int8> bytes;
  // The atom's record header (8 bytes) and size (4), then the token.
  if (in->readBytes(bytes, 16) < 16) return 0;
  std::uint32_t token = 0;
  for (int i = 15; i >= 12; --i) token = token << 8 | static_cast<std::uint8_t>(bytes[i]);
  return token;
}

CompoundContent ReadCompound(OfficeSession& session, const std::string& path) {
  CompoundContent content;
  try {
    Reference<ucb::XSimpleFileAccess> files(session.CreateInstance("com.sun.star.ucb.SimpleFileAccess"), UNO_QUERY);
    if (!files.is()) return content;
    const uno::Any arguments[] = {uno::Any(files->openFileRead(ToUno(FileUrl(path)))), uno::Any(false)};
    Reference<container::XNameAccess> storage(
        session.context()->getServiceManager()->createInstanceWithArgumentsAndContext(
            "com.sun.star.embed.OLESimpleStorage", uno::Sequence<uno::Any>(arguments, 2), session.context()),
        UNO_QUERY);
    if (!storage.is()) return content;
    content.powerPoint = storage->hasByName("PowerPoint Document");
    content.encrypted = storage->hasByName("EncryptedPackage") || storage->hasByName("EncryptedSummary") ||
                        (storage->hasByName("Current User") &&
                         CurrentUserToken(storage->getByName("Current User")) == kEncryptedPowerPointToken);
  } catch (const uno::RuntimeException& e) {
    if (!session.Alive()) throw;  // LibreOffice went away: that is the failure
    content.brokenWords = FromUno(e.Message);
  } catch (const uno::Exception& e) {
    content.brokenWords = FromUno(e.Message);
  }
  // Not a compound file at all, or one its reader cannot take.
  content.broken = !content.powerPoint && !content.encrypted && BeginsAsCompound(path);
  return content;
}

std::string Joined(const std::string& words, const std::string& more) {
  if (words.empty()) return more;
  return more.empty() ? words : words + " (" + more + ")";
}

}  // namespace

Reference<task::XInteractionHandler> MakeRefusingHandler(std::shared_ptr<LoadQuestions> questions) {
  return new RefusingHandler(std::move(questions));
}

AutomationError OpenFailure(OfficeSession& session, const std::string& path, const LoadQuestions& questions,
                            const std::string& officeWords) {
  if (questions.password) {
    return AutomationError(Joined(officeWords, "asked for a password: " + questions.asked),
                           AutomationFailure::kPasswordProtected);
  }
  const CompoundContent compound = ReadCompound(session, path);
  if (compound.encrypted) {
    return AutomationError(Joined(officeWords, "its content is encrypted"), AutomationFailure::kPasswordProtected);
  }
  if (compound.powerPoint) {
    return AutomationError(Joined(officeWords, "a PowerPoint 97 file LibreOffice could not read"),
                           AutomationFailure::kDamaged);
  }
  if (compound.broken) {
    return AutomationError(
        Joined(officeWords, Joined("a compound file LibreOffice's reader cannot take apart", compound.brokenWords)),
        AutomationFailure::kDamaged);
  }
  DetectedType detected;
  try {
    detected = Detect(session, path);
  } catch (const io::IOException& e) {
    return AutomationError(Joined(officeWords, FromUno(e.Message)), AutomationFailure::kCannotOpen);
  } catch (const lang::IllegalArgumentException& e) {
    return AutomationError(Joined(officeWords, FromUno(e.Message)), AutomationFailure::kCannotOpen);
  }
  if (detected.name.empty()) {
    return AutomationError(Joined(officeWords, "no file type of LibreOffice fits the content"),
                           AutomationFailure::kNotPresentation);
  }
  if (detected.documentService.equalsAscii(kPresentationService)) {
    return AutomationError(Joined(officeWords, "read as " + detected.name), AutomationFailure::kDamaged);
  }
  return AutomationError(Joined(officeWords, "read as " + detected.name), AutomationFailure::kNotPresentation);
}

std::string LoadedAs(const Reference<uno::XInterface>& document) {
  Reference<frame::XModel> model(document, UNO_QUERY);
  const OUString filter = model.is() ? Text(model->getArgs(), "FilterName") : OUString();
  return filter.isEmpty() ? "it holds no presentation" : "read as " + FromUno(filter);
}

}  // namespace orv::office
