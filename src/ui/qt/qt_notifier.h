// The desktop program's notifier: modal message boxes captioned "Orvanta",
// OK with the exclamation icon for reports, Yes and No with the information
// icon for questions. Each box is a transient of the dialog in use, or else of
// the main window, so that it opens over it.
#pragma once

#include <QPointer>

#include "base/notifier.h"

class QWidget;

namespace orv {

class QtNotifier final : public Notifier {
 public:
  // The window the boxes belong to when no dialog is open: the main window.
  void SetOwner(QWidget* owner) { owner_ = owner; }

  void Report(std::string_view text) override;
  bool Ask(std::string_view text) override;
  // The details (LibreOffice's own words) behind the box's "Show Details".
  void ReportWithDetails(std::string_view text, std::string_view details) override;

 private:
  QWidget* BoxParent() const;

  QPointer<QWidget> owner_;
};

}  // namespace orv
