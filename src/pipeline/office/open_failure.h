// Why LibreOffice could not open a file, in its own answers: what it asked
// while loading (a password), what its reader of compound files finds
// inside, and what its type detection takes the file for.
#pragma once

#include <memory>
#include <string>

#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/uno/Reference.hxx>

#include "pipeline/automation.h"
#include "pipeline/office/office_session.h"

namespace orv::office {

// What the loader asked of the user while it opened one file.
struct LoadQuestions {
  bool password = false;  // a password to open it
  std::string asked;      // the type of the first request, e.g. com.sun.star.task.DocumentMSPasswordRequest
};

// The interaction handler given to the loader: it refuses every password
// request and notes it; other requests are left unanswered, as without a
// handler. The handler shares `questions`: LibreOffice may hold it longer.
css::uno::Reference<css::task::XInteractionHandler> MakeRefusingHandler(std::shared_ptr<LoadQuestions> questions);

// The error for a file the loader returned nothing for or threw on, with
// `officeWords` (its exception message, if any) in the description.
// Password-protected: the loader asked for one, or LibreOffice's compound
// file reader finds the content encrypted (LibreOffice never asks for the
// password of a PowerPoint 97 file: it cannot decrypt them). Damaged: a
// PowerPoint 97 file, a compound file the reader cannot take apart, or a
// presentation's type by the type detection. Otherwise not a presentation.
AutomationError OpenFailure(OfficeSession& session, const std::string& path, const LoadQuestions& questions,
                            const std::string& officeWords);

// The description of a document that opened but is not a presentation: the
// filter the loader read it with, in LibreOffice's name ("Text", "MS Word 97").
std::string LoadedAs(const css::uno::Reference<css::uno::XInterface>& document);

}  // namespace orv::office
