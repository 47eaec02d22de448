// Asks LibreOffice for a deck's outline: the bridge has it load the outline
// reader (a UNO component beside this plugin) into its own process and run
// it on the open document, which answers in one reply.
#pragma once

#include <string>

#include <com/sun/star/lang/XComponent.hpp>

#include "pipeline/office/office_session.h"

namespace orv::office {

// The outline of `document` as JSON (pipeline/deck_outline.h), its notes
// pages' shapes only `withNotes`. Raises AutomationError when the reader
// cannot be found or loaded, and UNO's exceptions when it fails.
std::string RequestOutline(OfficeSession& session, const css::uno::Reference<css::lang::XComponent>& document,
                           bool withNotes);

}  // namespace orv::office
