// The tabbed options sheet: General, Quality, Navigation and Output. A page
// is loaded when it is first shown; OK and Apply write only pages that were
// shown, each after the current page's check; Cancel writes nothing more.
#pragma once

#include <functional>
#include <vector>

#include <QDialog>

class QDialogButtonBox;
class QPushButton;
class QTabWidget;

namespace orv {

class SettingsStore;
class OptionsPage;
class GeneralPage;
class QualityPage;
class NavigationPage;
class OutputPage;

class OptionsSheet final : public QDialog {
  Q_OBJECT

 public:
  OptionsSheet(SettingsStore& store, std::function<void()> showHelp, QWidget* parent = nullptr);

  // Checks the current page, then writes every page that was shown. False
  // (nothing written) when a check fails.
  bool ApplyChanges();

  QTabWidget* tabs() const { return tabs_; }
  QPushButton* applyButton() const;
  GeneralPage* general() const { return general_; }
  QualityPage* quality() const { return quality_; }
  NavigationPage* navigation() const { return navigation_; }
  OutputPage* output() const { return output_; }

 public slots:
  void accept() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OnTabChanged(int index);

  SettingsStore& store_;
  std::function<void()> showHelp_;
  QTabWidget* tabs_;
  QDialogButtonBox* buttons_;
  GeneralPage* general_;
  QualityPage* quality_;
  NavigationPage* navigation_;
  OutputPage* output_;
  std::vector<OptionsPage*> pages_;
  int currentIndex_ = 0;
  bool switchingBack_ = false;
};

}  // namespace orv
