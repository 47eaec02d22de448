// Finds texts that their widgets cut off: a label's or button's text wider
// than the room the widget gives it, a tab narrower than its title, a spin
// box or combo box that cannot show its longest entry. Longer translations
// must make the windows grow, never lose their ends.
#pragma once

#include <algorithm>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStringList>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTextDocument>

namespace orv::test {

// The widest line of `text` as `font` draws it; "&" marks a shortcut ("&&"
// stands for itself).
inline int TextWidth(const QFont& font, QString text, bool mnemonic) {
  if (mnemonic) text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
  const QFontMetrics metrics(font);
  int widest = 0;
  for (const QString& line : text.split(QRegularExpression(QStringLiteral("\r?\n")))) {
    widest = std::max(widest, metrics.horizontalAdvance(line));
  }
  return widest;
}

// The room a button leaves its text, as the style lays it out.
inline QRect ButtonTextRoom(const QAbstractButton& button) {
  QStyleOptionButton option;
  option.initFrom(&button);
  option.text = button.text();
  option.icon = button.icon();
  option.iconSize = button.iconSize();
  QStyle::SubElement element = QStyle::SE_PushButtonContents;
  if (qobject_cast<const QCheckBox*>(&button) != nullptr) element = QStyle::SE_CheckBoxContents;
  if (qobject_cast<const QRadioButton*>(&button) != nullptr) element = QStyle::SE_RadioButtonContents;
  QRect room = button.style()->subElementRect(element, &option, &button);
  if (element == QStyle::SE_PushButtonContents) {
    // The margin and the icon beside the text, as QPushButton's own size
    // hint counts them.
    const int margin = button.style()->pixelMetric(QStyle::PM_ButtonMargin, &option, &button);
    room.adjust(margin / 2, 0, -margin / 2, 0);
    if (!button.icon().isNull()) room.setWidth(room.width() - button.iconSize().width() - 4);
  }
  return room;
}

// One line per text that does not fit among the shown widgets of `window`.
inline QStringList CutTexts(const QWidget& window) {
  QStringList cut;
  auto report = [&](const QWidget& widget, const QString& text, int needed, int room) {
    if (needed > room) {
      cut << QStringLiteral("%1 \"%2\": needs %3 px, has %4")
                 .arg(widget.metaObject()->className(), text)
                 .arg(needed)
                 .arg(room);
    }
  };
  for (const QWidget* widget : window.findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(&window)) continue;
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
      if (label->text().isEmpty() || label->wordWrap()) continue;
      QString text = label->text();
      if (label->textFormat() == Qt::RichText || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text))) {
        QTextDocument document;
        document.setHtml(text);
        text = document.toPlainText();
      }
      const int room = label->contentsRect().width() - 2 * label->margin();
      report(*label, text, TextWidth(label->font(), text, label->buddy() != nullptr), room);
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
      if (button->text().isEmpty()) continue;
      report(*button, button->text(), TextWidth(button->font(), button->text(), true), ButtonTextRoom(*button).width());
    } else if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
      QStyleOptionGroupBox option;
      option.initFrom(group);
      option.text = group->title();
      option.subControls = QStyle::SC_GroupBoxLabel;
      const QRect room =
          group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group) & group->rect();
      report(*group, group->title(), TextWidth(group->font(), group->title(), true), room.width());
    } else if (const auto* tabs = qobject_cast<const QTabBar*>(widget)) {
      for (int i = 0; i < tabs->count(); ++i) {
        report(*tabs, tabs->tabText(i), TextWidth(tabs->font(), tabs->tabText(i), true), tabs->tabRect(i).width());
      }
    } else if (const auto* spin = qobject_cast<const QSpinBox*>(widget)) {
      const QLineEdit* edit = spin->findChild<QLineEdit*>();
      const QMargins margins = edit->textMargins();
      const int room = edit->contentsRect().width() - margins.left() - margins.right() - 4;  // QLineEdit's own margin
      for (const QString& text :
           {spin->specialValueText(), spin->prefix() + QString::number(spin->maximum()) + spin->suffix()}) {
        report(*spin, text, TextWidth(spin->font(), text, false), room);
      }
    } else if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
      QStyleOptionComboBox option;
      option.initFrom(combo);
      const QRect room =
          combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
      for (int i = 0; i < combo->count(); ++i) {
        report(*combo, combo->itemText(i), TextWidth(combo->font(), combo->itemText(i), false), room.width());
      }
    }
  }
  return cut;
}

}  // namespace orv::test
