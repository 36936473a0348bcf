// A change of language on the Qt host: the same session (open, apply,
// apply with the mouse pulled out, an update with the mouse out) in the texts
// as written, in Simplified Chinese and in two other languages, every text
// read back from the widgets by control identifier.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <cstdio>

#include "app/fw_update_dlg.h"
#include "app/fw_update_template.h"
#include "app/main_dialog_template.h"
#include "i18n/text_lookup.h"
#include "testing/cli_rig.h"
#include "testing/fw_update_rig.h"
#include "testing/language_switch.h"
#include "testing/qt_window_rig.h"

namespace tr58k::test {
namespace {

// The caption, then every control of the template: by identifier through
// the host, or by place (its object name) for the statics and group boxes
// without one.
std::vector<std::string> ShownTexts(QtDialogHost& dialog, const DialogTemplate& tmpl) {
  std::vector<std::string> texts{dialog.windowTitle().toStdString()};
  for (size_t i = 0; i < tmpl.controls.size(); ++i) {
    const ControlSpec& c = tmpl.controls[i];
    if (c.id != kNoControlId) {
      texts.push_back(dialog.GetText(c.id));
      continue;
    }
    QWidget* widget =
        dialog.findChild<QWidget*>(CDialogBase::ObjectNameFor(c, static_cast<int>(i)));
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      texts.push_back(label->text().toStdString());
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
      texts.push_back(group->title().toStdString());
    } else {
      texts.push_back("(missing)");
    }
  }
  return texts;
}

class QtLanguageTest : public WindowTest {
 protected:
  void TearDown() override {
    UseCatalogue("");
    WindowTest::TearDown();
  }

  LanguageRun RunIn(const std::string& language) {
    EXPECT_TRUE(UseCatalogue(language)) << language;
    LanguageRun run;
    // Each run from the same start: no profile, a mouse fresh from the factory.
    std::remove(ProfilePath().c_str());
    link_.reset();
    mouse_ = std::make_unique<SimulatedMouse>(clock_);
    link_ = std::make_unique<DeviceLink>(*mouse_, clock_);
    link_->testImagesAllowed = true;
    OpenWindow();
    Settle();
    run.mainTexts = ShownTexts(*dlg_, MainDialogTemplate());
    mouse_->ClearLog();
    Button(ctl::kApply)->click();
    Settle();
    run.requests = mouse_->Requests();
    run.profile = ReadBytes(ProfilePath());
    // Without the mouse: the message box, and the update window's status.
    mouse_->Unplug();
    Settle();
    boxes_.boxes.clear();
    Button(ctl::kApply)->click();
    Settle();
    for (const auto& box : boxes_.boxes) run.messages.push_back(box.text.toStdString());
    const std::vector<uint8_t> image = TestImage(21504);
    CFwUpdate update(*link_, image);
    QtDialogHost host(update);
    host.InitDialog();
    run.updateTexts = ShownTexts(host, FwUpdateDialogTemplate());
    host.GetDlgItemAs<QAbstractButton>(fwctl::kUpdate)->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !update.UpdateRunning(); }, 20000));
    run.messages.push_back(host.GetText(fwctl::kStatus));
    dlg_.reset();
    win_.reset();
    return run;
  }
};

TEST_F(QtLanguageTest, ASwitchChangesEveryTextOfBothWindowsAndNoStoredByte) {
  const LanguageRun source = RunIn("");
  EXPECT_EQ(source.mainTexts[0], "ZEMO TR-58K 电竞光学鼠标");
  for (const char* language : {"zh_CN", "de", "ja"}) {
    const LanguageRun run = RunIn(language);

    const bool sameTexts = std::string(language) == "zh_CN";
    for (const std::string& difference : CompareLanguageRuns(
             source, run, MainDialogTemplate(), FwUpdateDialogTemplate(), sameTexts)) {
      ADD_FAILURE() << language << ": " << difference;
    }
  }
}

}  // namespace
}  // namespace tr58k::test
