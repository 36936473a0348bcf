// Every translation fits its control on the Qt host: both windows built
// from their templates in each language, each static, button, check box
// and group box measured with Qt's own style and font metrics.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <map>
#include <memory>

#include "testing/qt_window_rig.h"
#include "testing/text_fit.h"
#include "ui/qt/dialog_base.h"

namespace tr58k::test {
namespace {

class QtTextFit : public ApplicationTest {
 protected:
  QWidget* Control(const TextOnControl& item) {
    std::unique_ptr<CDialogBase>& dialog = dialogs_[item.dialog];
    if (!dialog) {
      dialog = std::make_unique<CDialogBase>(*item.dialog);
      dialog->InitDialog();
    }
    return dialog->findChild<QWidget*>(CDialogBase::ObjectNameFor(*item.control, static_cast<int>(item.index)));
  }

  // The room Qt's style leaves for the text, and what the text takes.
  TextRoom Measure(const TextOnControl& item) {
    QWidget* widget = Control(item);
    if (!widget) return {0, 0, 1, 1};
    const QFontMetrics metrics = widget->fontMetrics();
    QStyle* style = widget->style();
    TextRoom room;
    room.needHeight = metrics.height();
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      room.needWidth = metrics.horizontalAdvance(label->text());
      room.haveWidth = label->contentsRect().width();
      room.haveHeight = label->contentsRect().height();
    } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
      QStyleOptionButton option;
      option.initFrom(box);
      option.text = box->text();
      const QRect text = style->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
      room.needWidth = metrics.horizontalAdvance(box->text());
      room.haveWidth = text.width();
      room.haveHeight = text.height();
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
      QStyleOptionButton option;
      option.initFrom(button);
      option.text = button->text();
      const QRect text = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
      room.needWidth = metrics.horizontalAdvance(button->text());
      room.haveWidth = text.width();
      room.haveHeight = text.height();
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
      QStyleOptionGroupBox option;
      option.initFrom(group);
      option.text = group->title();
      option.textAlignment = group->alignment();
      option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
      const QRect label = style->subControlRect(QStyle::CC_GroupBox, &option,
                                                QStyle::SC_GroupBoxLabel, group);
      // The title starts inside the frame; it must end as far inside.
      room.needWidth = label.width();
      room.haveWidth = group->width() - 2 * label.x();
      room.haveHeight = label.height();
    }
    return room;
  }

  std::map<const DialogTemplate*, std::unique_ptr<CDialogBase>> dialogs_;
};

TEST_F(QtTextFit, EveryTranslationFitsItsControl) {
  const FitSummary summary = CheckTextsFit([this](const TextOnControl& item) { return Measure(item); });
  for (const std::string& line : summary.languages) std::printf("fit (Qt): %s\n", line.c_str());
  for (const std::string& misfit : summary.misfits) ADD_FAILURE() << misfit;
  EXPECT_EQ(summary.languages.size(), 10u) << "the texts as written and nine catalogues";
}

}  // namespace
}  // namespace tr58k::test
