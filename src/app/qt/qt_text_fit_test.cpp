// Every translation fits its control on the Qt host: both windows built
// from their templates in each language, each static, button, check box
// and group box measured with Qt's own style and font metrics.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <map>
#include <memory>

#include "i18n/text_lookup.h"
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
    return dialog->findChild<QWidget*>(
        CDialogBase::ObjectNameFor(*item.control, static_cast<int>(item.index)));
  }

  // The room Qt's style leaves for the text, and what the text takes.
  TextRoom Measure(const TextOnControl& item) {
    QWidget* widget = Control(item);
    if (!widget) return {0, 0, 1, 1};
    const QString text = QString::fromUtf8(item.control->text);
    const QFontMetrics metrics = widget->fontMetrics();
    QStyle* style = widget->style();
    TextRoom room;
    room.needWidth = metrics.horizontalAdvance(text);
    room.needHeight = metrics.height();
    QRect have;
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      have = label->contentsRect();
    } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
      QStyleOptionButton option;
      option.initFrom(box);
      option.text = text;
      have = style->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
      QStyleOptionButton option;
      option.initFrom(button);
      option.text = text;
      have = style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
      QStyleOptionGroupBox option;
      option.initFrom(group);
      option.text = text;
      option.textAlignment = group->alignment();
      option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
      const QRect label = style->subControlRect(QStyle::CC_GroupBox, &option,
                                                QStyle::SC_GroupBoxLabel, group);
      // The title starts inside the frame; it must end as far inside.
      room.needWidth = label.width();
      have = QRect(0, 0, group->width() - 2 * label.x(), label.height());
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      // A line edit draws its text 2 pixels in from its frame.
      const int frame = edit->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
      have = edit->rect().adjusted(frame + 2, frame, -frame - 2, -frame);
    }
    room.haveWidth = have.width();
    room.haveHeight = have.height();
    return room;
  }

  std::map<const DialogTemplate*, std::unique_ptr<CDialogBase>> dialogs_;
};

TEST_F(QtTextFit, EveryTranslationFitsItsControl) {
  const FitSummary summary =
      CheckTextsFit([this](const TextOnControl& item) { return Measure(item); });
  for (const std::string& line : summary.languages) std::printf("fit (Qt): %s\n", line.c_str());
  for (const std::string& misfit : summary.misfits) ADD_FAILURE() << misfit;
  EXPECT_EQ(summary.languages.size(), CatalogueCodes().size() + 1)
      << "the texts as written and every catalogue";
  EXPECT_GE(CatalogueCodes().size(), 9u);
}

}  // namespace
}  // namespace tr58k::test
