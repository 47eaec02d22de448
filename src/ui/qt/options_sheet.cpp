#include "ui/qt/options_sheet.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/notifier.h"
#include "settings/settings_store.h"
#include "ui/qt/options_pages.h"

namespace orv {

OptionsSheet::OptionsSheet(SettingsStore& store, std::function<void()> showHelp, QWidget* parent)
    : QDialog(parent), store_(store), showHelp_(std::move(showHelp)) {
  setWindowTitle(tr("选项"));
  tabs_ = new QTabWidget(this);
  general_ = new GeneralPage(tabs_);
  quality_ = new QualityPage(tabs_);
  navigation_ = new NavigationPage(tabs_);
  output_ = new OutputPage(tabs_);
  pages_ = {general_, quality_, navigation_, output_};
  tabs_->addTab(general_, tr("常规"));
  tabs_->addTab(quality_, tr("质量"));
  tabs_->addTab(navigation_, tr("导航"));
  tabs_->addTab(output_, tr("输出"));

  buttons_ = new QDialogButtonBox(
      QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply | QDialogButtonBox::Help, this);
  buttons_->button(QDialogButtonBox::Ok)->setText(tr("确定"));
  buttons_->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
  buttons_->button(QDialogButtonBox::Apply)->setText(tr("应用(&A)"));
  buttons_->button(QDialogButtonBox::Help)->setText(tr("帮助"));
  applyButton()->setEnabled(false);
  connect(buttons_, &QDialogButtonBox::accepted, this, &OptionsSheet::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &OptionsSheet::reject);
  connect(buttons_, &QDialogButtonBox::helpRequested, this, [this] {
    if (showHelp_) showHelp_();
  });
  connect(applyButton(), &QPushButton::clicked, this, [this] {
    if (ApplyChanges()) applyButton()->setEnabled(false);
  });
  for (OptionsPage* page : pages_) {
    connect(page, &OptionsPage::changed, this, [this] { applyButton()->setEnabled(true); });
  }

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons_);

  // The sheet opens on the first page; the others load when first shown.
  general_->LoadOnce(store_);
  connect(tabs_, &QTabWidget::currentChanged, this, &OptionsSheet::OnTabChanged);
  resize(sizeHint().expandedTo(QSize(460, 420)));
}

QPushButton* OptionsSheet::applyButton() const { return buttons_->button(QDialogButtonBox::Apply); }

void OptionsSheet::OnTabChanged(int index) {
  if (switchingBack_) return;
  // Leaving a page checks it; a failure keeps the user on that page.
  if (currentIndex_ >= 0 && currentIndex_ < static_cast<int>(pages_.size()) && currentIndex_ != index &&
      !pages_[static_cast<std::size_t>(currentIndex_)]->Validate()) {
    switchingBack_ = true;
    tabs_->setCurrentIndex(currentIndex_);
    switchingBack_ = false;
    return;
  }
  currentIndex_ = index;
  if (index >= 0 && index < static_cast<int>(pages_.size())) pages_[static_cast<std::size_t>(index)]->LoadOnce(store_);
}

bool OptionsSheet::ApplyChanges() {
  OptionsPage* current = pages_[static_cast<std::size_t>(tabs_->currentIndex())];
  if (!current->Validate()) return false;
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    OptionsPage* page = pages_[i];
    if (!page->loaded()) continue;
    if (page != current && !page->Validate()) {
      tabs_->setCurrentIndex(static_cast<int>(i));
      return false;
    }
  }
  for (OptionsPage* page : pages_) {
    if (page->loaded() && !page->Apply(store_)) {
      // Said once, naming the file; the sheet stays open with what was chosen.
      Notify(FormatMessage(FormatMessage(msg::kSettingsNotSaved, store_.path()), store_.lastError()));
      return false;
    }
  }
  return true;
}

void OptionsSheet::accept() {
  if (ApplyChanges()) QDialog::accept();
}

void OptionsSheet::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    if (showHelp_) showHelp_();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace orv
