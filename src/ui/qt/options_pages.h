// The four pages of the options sheet. Each page reads its own values from
// the settings store when it is first shown, keeps the dependent controls
// enabled or disabled, checks what was typed, and writes all of its values
// in a fixed order when the sheet applies.
#pragma once

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QSpinBox;

namespace orv {

class SettingsStore;

class OptionsPage : public QWidget {
  Q_OBJECT

 public:
  explicit OptionsPage(QWidget* parent = nullptr) : QWidget(parent) {}

  bool loaded() const { return loaded_; }
  // Reads the page's values and applies the enabling rules; only once.
  void LoadOnce(const SettingsStore& store);
  // Checks the typed values: on failure the message is shown, the field
  // gets the focus, and false is returned.
  virtual bool Validate() { return true; }
  // Writes every value of the page (after Validate succeeded). False at the
  // first value the store could not keep (its lastError() says why); the
  // values after it are not tried.
  virtual bool Apply(SettingsStore& store) = 0;

 signals:
  // The page reports a change: the sheet enables Apply.
  void changed();

 protected:
  virtual void Load(const SettingsStore& store) = 0;
  void MarkChanged() { emit changed(); }

 private:
  bool loaded_ = false;
};

class GeneralPage final : public OptionsPage {
  Q_OBJECT
 public:
  explicit GeneralPage(QWidget* parent = nullptr);
  bool Apply(SettingsStore& store) override;

  QCheckBox* scale;
  QCheckBox* notes;
  QCheckBox* blankEnd;
  QCheckBox* noPrint;
  QCheckBox* align;
  QCheckBox* openDest;
  QCheckBox* batchErrors;  // the stored "BatchErrors": a batch's problems in the list, not a box each
  QComboBox* language;     // the stored "Language": "auto", "zh" or "en"
  QLabel* languageNote;

 protected:
  void Load(const SettingsStore& store) override;

 private:
  // No control shows it; what was read is written back unchanged.
  int unProtect_ = 0;
};

class QualityPage final : public OptionsPage {
  Q_OBJECT
 public:
  explicit QualityPage(QWidget* parent = nullptr);
  bool Validate() override;
  bool Apply(SettingsStore& store) override;

  QLineEdit* width;
  QLineEdit* height;
  QSlider* quality;
  QLabel* qualityLabel;
  QCheckBox* sharpFont;

 protected:
  void Load(const SettingsStore& store) override;

 private:
  int widthValue_ = 640;
  int heightValue_ = 480;
};

class NavigationPage final : public OptionsPage {
  Q_OBJECT
 public:
  explicit NavigationPage(QWidget* parent = nullptr);
  bool Validate() override;
  bool Apply(SettingsStore& store) override;

  QRadioButton* showPanel;
  QRadioButton* hidePanel;
  QCheckBox* insertHelp;
  QCheckBox* autoStart;
  QCheckBox* loop;
  QRadioButton* slideTimings;
  QRadioButton* fixedInterval;
  QSpinBox* interval;
  QCheckBox* fade;

 protected:
  void Load(const SettingsStore& store) override;

 private:
  void UpdateEnabling();
  int delay_ = 3;
};

class OutputPage final : public OptionsPage {
  Q_OBJECT
 public:
  explicit OutputPage(QWidget* parent = nullptr);
  bool Apply(SettingsStore& store) override;

  QCheckBox* split;
  QCheckBox* useTitle;
  QCheckBox* genHtml;
  QCheckBox* genAutorun;
  QCheckBox* webPlayer;
  QCheckBox* genHtml5;
  QCheckBox* genScorm;        // a SCORM package of each presentation; only with genHtml5
  QSpinBox* scormCompletion;  // the share of its slides (%) that completes a lesson
  QCheckBox* genIndex;        // index.html in each output folder
  QCheckBox* genVideo;        // a video of each presentation
  QComboBox* videoFormat;     // its format, the stored number as the item's data
  QComboBox* videoHeight;     // its height, the number as the item's data
  QSpinBox* timeLimit;        // seconds per presentation, 0 for none
  QSpinBox* jobs;             // LibreOffices per presentation, 0 for one per core

  // The notice shown when one movie per slide is switched on.
  static QString SplitNotice();

 protected:
  void Load(const SettingsStore& store) override;

 private:
  void UpdateEnabling();
};

}  // namespace orv
