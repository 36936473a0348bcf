// The settings panel of the main window: set-up of the controls, the record
// into the controls and back, the DPI rows, and the coupling of each DPI
// slider with its edit box through the slider events and the 200 ms timer.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "app/dpi_rules.h"
#include "app/updater_dlg.h"
#include "ui/dhs_static.h"

namespace tr58k {

namespace {

// Report-rate list index to the record's interval code.
constexpr std::array<int16_t, 4> kReportIntervalForIndex = {kInterval1000Hz, kInterval500Hz,
                                                            kInterval250Hz, kInterval125Hz};

constexpr std::array<int, kDpiLevels> kInitialSliderPos = {8, 16, 32, 64};

}  // namespace

void CUpdaterDlg::InitControls() {
  for (int k = 0; k < kDpiLevels; ++k) {
    m_dpiLabel[k]->backColor = kLevelCaptionColors[k];
    m_dpiLabel[k]->SetCaption(QStringLiteral("DPI%1:").arg(k + 1));
  }
  m_programVersionText->setText(QString::fromUtf8(kProgramVersionText));
  ComboSetCurSel(m_levelCountCombo, 4);  // past the end: no selection
  ComboSetCurSel(m_reportRateCombo, 0);
  for (int k = 0; k < kDpiLevels; ++k) {
    m_dpiSlider[k]->setRange(kSliderMin, kSliderMax);
    m_dpiSlider[k]->setTickInterval(1);
    m_dpiSlider[k]->setValue(kInitialSliderPos[k]);
  }
  WriteDpiEdits();
}

void CUpdaterDlg::ShowSettings(const MouseSettings& settings) {
  // Computed in 16 bits: a count of 0 gives 0xFFFF, no selection.
  ComboSetCurSel(m_levelCountCombo, static_cast<uint16_t>(settings.dpiLevelCount - 1));
  ShowLevelRows(settings.dpiLevelCount);
  for (size_t i = 0; i < kReportIntervalForIndex.size(); ++i) {
    if (kReportIntervalForIndex[i] == settings.reportInterval) {
      ComboSetCurSel(m_reportRateCombo, static_cast<int>(i));
    }
  }
  m_backlightCheck->setChecked(settings.wheelBacklight == 1);
  for (int k = 0; k < kDpiLevels; ++k) {
    m_dpiValue[k] = static_cast<uint32_t>(static_cast<int32_t>(settings.dpi[k].dpiX));
  }
  for (int k = 0; k < kDpiLevels; ++k) {
    m_dpiSlider[k]->setValue(static_cast<int>(SliderPosForValue(m_dpiValue[k])));
  }
  WriteDpiEdits();
}

void CUpdaterDlg::ReadControls(MouseSettings& settings) {
  // A value typed and applied before the timer came round is committed here
  // as the timer would commit it, so that the mouse never gets a DPI outside
  // 50..16000 or off the 50 grid.
  for (int k = 0; k < kDpiLevels; ++k) m_dpiValue[k] = static_cast<uint32_t>(CommitDpiEdit(k));
  const int levelIndex = ComboGetCurSel(m_levelCountCombo);
  if (levelIndex >= 0) settings.dpiLevelCount = static_cast<uint8_t>(levelIndex + 1);
  const int rateIndex = ComboGetCurSel(m_reportRateCombo);
  if (rateIndex >= 0 && rateIndex < static_cast<int>(kReportIntervalForIndex.size())) {
    settings.reportInterval = kReportIntervalForIndex[rateIndex];
  }
  settings.wheelBacklight = m_backlightCheck->isChecked() ? 1 : 0;
  for (int k = 0; k < kDpiLevels; ++k) {
    const auto dpi = static_cast<int16_t>(m_dpiValue[k] & 0xFFFF);
    settings.dpi[k] = DpiPair{dpi, dpi};
  }
}

void CUpdaterDlg::ShowLevelRows(uint8_t count) {
  // Row 1 always shows; a count outside 1..4 shows every row.
  const int shown = (count >= 1 && count <= 4) ? count : kDpiLevels;
  for (int k = 0; k < kDpiLevels; ++k) {
    const bool visible = k < shown;
    m_dpiLabel[k]->setVisible(visible);
    m_dpiSlider[k]->setVisible(visible);
    m_dpiEdit[k]->setVisible(visible);
  }
}

void CUpdaterDlg::OnLevelCountChange() {
  ShowLevelRows(static_cast<uint8_t>(ComboGetCurSel(m_levelCountCombo) + 1));
}

void CUpdaterDlg::OnHScroll(QSlider* slider) {
  for (int k = 0; k < kDpiLevels; ++k) {
    if (slider == m_dpiSlider[k]) {
      m_dpiValue[k] = static_cast<uint32_t>(slider->sliderPosition()) * kDpiStep;
    }
  }
  // Every box is rewritten, also one holding typed text not yet taken.
  WriteDpiEdits();
}

void CUpdaterDlg::OnTimer() {
  for (int k = 0; k < kDpiLevels; ++k) {
    const int32_t value = CheckDpiEdit(m_dpiEdit[k]);
    m_dpiSlider[k]->setValue(value / kDpiStep);  // the slider keeps to its range
  }
}

// The box with the keyboard focus keeps what is typed and its slider follows
// the typed value; a box that has been left is committed (clamped to
// 50..16000, rounded to the nearest 50, 25 rounding up).
int32_t CUpdaterDlg::CheckDpiEdit(QLineEdit* edit) {
  if (QApplication::focusWidget() == edit) return ParseLeadingInt(edit->text());
  return CommitDpiText(edit);
}

int32_t CUpdaterDlg::CommitDpiText(QLineEdit* edit) {
  const int32_t typed = ParseLeadingInt(edit->text());
  const int32_t value = CommittedDpi(typed);
  const QString text = QString::number(value);
  if (typed > kDpiMax || typed < kDpiMin) {
    // Out of range: the clamped value, with the caret after it.
    edit->setText(text);
    edit->setCursorPosition(static_cast<int>(text.size()));
  } else if (edit->text() != text) {
    edit->setText(text);
  }
  return value;
}

int32_t CUpdaterDlg::CommitDpiEdit(int row) {
  const int32_t value = CommitDpiText(m_dpiEdit[row]);
  m_dpiSlider[row]->setValue(value / kDpiStep);
  return value;
}

void CUpdaterDlg::WriteDpiEdits() {
  for (int k = 0; k < kDpiLevels; ++k) {
    const QString text = QString::number(m_dpiValue[k]);
    if (m_dpiEdit[k]->text() != text) m_dpiEdit[k]->setText(text);
  }
}

}  // namespace tr58k
