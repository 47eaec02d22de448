// The automation objects of the LibreOffice server: each answers the
// dispatch ids of one object of the member table with UNO calls.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <com/sun/star/lang/XComponent.hpp>

#include "pipeline/automation.h"
#include "pipeline/office/office_session.h"

namespace orv::office {

// What one application object owns: the documents it opened (closed without
// saving when it quits or is released) and its share of the session. Every
// object handed out by the application keeps this alive, as COM objects keep
// their server.
class ApplicationContext {
 public:
  ApplicationContext(std::shared_ptr<OfficeSession> session, bool endSessionOnQuit)
      : session_(std::move(session)), endSessionOnQuit_(endSessionOnQuit) {}
  ~ApplicationContext();
  ApplicationContext(const ApplicationContext&) = delete;
  ApplicationContext& operator=(const ApplicationContext&) = delete;

  OfficeSession& session();
  // Raises AutomationError when LibreOffice has gone.
  void CheckAlive();
  void AddDocument(const css::uno::Reference<css::lang::XComponent>& document, std::string lockFile);
  // Closes this application's documents; ends the session too unless the
  // backend keeps it for the batch.
  void Quit();

 private:
  void CloseDocuments();

  std::shared_ptr<OfficeSession> session_;
  bool endSessionOnQuit_;
  struct Document {
    css::uno::Reference<css::lang::XComponent> component;
    std::string lockFile;  // removed after closing when we caused it
  };
  std::vector<Document> documents_;
};

// The application object for `context`.
AutomationObject MakeApplication(std::shared_ptr<ApplicationContext> context);

}  // namespace orv::office
