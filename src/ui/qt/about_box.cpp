#include "ui/qt/about_box.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "base/notifier.h"
#include "base/version.h"
#include "ui/qt/skin_pictures.h"

namespace orv {

std::string ProductLine() { return std::string("Orvanta V") + kVersion; }

std::string HyperlinkFailureReason(int code) {
  switch (code) {
    case 0:
      return "The operating system is out\nof memory or resources.";
    case 2:
      return "The specified file was not found.";
    case 3:
      return "The specified path was not found.";
    case 5:
      return "The operating system denied\naccess to the specified file.";
    case 8:
      return "There was not enough memory to complete the operation.";
    case 11:
      return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case 26:
      return "A sharing violation occurred.";
    case 27:
      return "The filename association is\nincomplete or invalid.";
    case 28:
      return "The DDE transaction could not\nbe completed because the request timed out.";
    case 29:
      return "The DDE transaction failed.";
    case 30:
      return "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
    case 31:
      return "There is no application associated\nwith the given filename extension.";
    case 32:
      return "The specified dynamic-link library was not found.";
    default:
      return FormatMessage("Unknown Error (%d) occurred.", code);
  }
}

bool OpenHyperlink(const QString& url, const std::function<bool(const QString&)>& open) {
  const bool opened = open ? open(url) : QDesktopServices::openUrl(QUrl(url));
  if (!opened) {
    constexpr int kNoAssociation = 31;
    Notify("Unable to open hyperlink:\n\n" + HyperlinkFailureReason(kNoAssociation));
  }
  return opened;
}

QString AboutBox::MailUrl() {
  return QStringLiteral("mailto:%1?subject=%2")
      .arg(QString::fromUtf8(kMakerMail), QString::fromUtf8(QUrl::toPercentEncoding(kFeedbackSubject)));
}

namespace {

QLabel* LinkLabel(const QString& text, const QString& url, QWidget* parent) {
  auto* label = new QLabel(QStringLiteral("<a href=\"%1\" style=\"color:#1a5fb4;\">%2</a>").arg(url, text), parent);
  label->setTextFormat(Qt::RichText);
  label->setOpenExternalLinks(false);
  label->setCursor(Qt::PointingHandCursor);
  label->setToolTip(url);
  QObject::connect(label, &QLabel::linkActivated, label, [](const QString& target) { OpenHyperlink(target); });
  return label;
}

}  // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("关于"));
  const QImage icon = SkinPicture(QStringLiteral("icon"));
  setWindowIcon(QPixmap::fromImage(icon));

  auto* picture = new QLabel(this);
  picture->setPixmap(QPixmap::fromImage(SkinPicture(QStringLiteral("about"))));
  picture->setFixedSize(408, 88);

  auto* iconLabel = new QLabel(this);
  iconLabel->setPixmap(QPixmap::fromImage(icon.scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  auto* product = new QLabel(QString::fromStdString(ProductLine()), this);
  QFont bold = product->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.25);
  product->setFont(bold);

  web_ = LinkLabel(QStringLiteral("www.velloran.com"), QString::fromUtf8(kMakerWebSite), this);
  mail_ = LinkLabel(QString::fromUtf8(kMakerMail), MailUrl(), this);

  auto* links = new QGridLayout;
  links->addWidget(new QLabel(tr("网站："), this), 0, 0);
  links->addWidget(web_, 0, 1);
  links->addWidget(new QLabel(tr("电邮："), this), 1, 0);
  links->addWidget(mail_, 1, 1);
  links->setColumnStretch(1, 1);

  auto* text = new QVBoxLayout;
  text->addWidget(product);
  text->addLayout(links);
  auto* row = new QHBoxLayout;
  row->addWidget(iconLabel, 0, Qt::AlignTop);
  row->addSpacing(12);
  row->addLayout(text, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setText(tr("确定"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(picture, 0, Qt::AlignHCenter);
  layout->addSpacing(8);
  layout->addLayout(row);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace orv
