// The About box: icon, picture, "Orvanta V" + the version and two links, the maker's
// web site and a feedback mail. Links open with the desktop's handler; a
// failure is reported as "Unable to open hyperlink:\n\n" and a reason.
#pragma once

#include <functional>
#include <string>

#include <QDialog>

class QLabel;

namespace orv {

// "Orvanta V1.67" for version 1.67.
std::string ProductLine();
inline constexpr char kMakerWebSite[] = "https://www.velloran.com/orvanta";
inline constexpr char kMakerMail[] = "orvanta-support@velloran.com";
inline constexpr char kFeedbackSubject[] = "Orvanta Feedback";

// The reason text for a failure code of the shell's "open" (0, 2, 3, 5, 8,
// 11, 26..32; "Unknown Error (%d) occurred." for any other).
std::string HyperlinkFailureReason(int code);

// Opens a link; on failure shows the message with the reason for "no
// application associated" (the failure the desktop's handler stands for).
// `open` is the desktop's handler (QDesktopServices::openUrl by default).
bool OpenHyperlink(const QString& url, const std::function<bool(const QString&)>& open = {});

class AboutBox final : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent = nullptr);

  QLabel* webLink() const { return web_; }
  QLabel* mailLink() const { return mail_; }
  static QString MailUrl();

 private:
  QLabel* web_;
  QLabel* mail_;
};

}  // namespace orv
