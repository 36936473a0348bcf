// The settings panel of the main window: set-up of the controls, the record
// into the controls and back, the DPI rows, and the coupling of each DPI
// slider with its edit box through the slider events and the 200 ms timer.
//
// The timer runs only while a tick can change something: a text written or
// typed, a box left, a slider moved sets it; a tick that changes nothing
// kills it. The visible results are those of a timer that never stops, and
// an idle window is never woken.
#include <string>

#include "app/main_dialog_template.h"
#include "app/updater_dlg.h"
#include "settings/settings_rules.h"

namespace tr58k {

namespace {

constexpr std::array<int, kDpiLevels> kInitialSliderPos = {8, 16, 32, 64};

int EditId(int row) { return ctl::kDpiEdit1 + row; }
int SliderId(int row) { return ctl::kDpiSlider1 + row; }
int LabelId(int row) { return ctl::kDpiLabel1 + row; }

}  // namespace

void CUpdaterDlg::InitControls() {
  for (int k = 0; k < kDpiLevels; ++k) {
    host().SetCaptionLabel(LabelId(k), "DPI" + std::to_string(k + 1) + ":", kLevelCaptionColors[k]);
  }
  host().SetText(ctl::kProgramVersion, kProgramVersionText);
  host().SetCurSel(ctl::kLevelCount, 4);  // past the end: no selection
  host().SetCurSel(ctl::kReportRate, 0);
  for (int k = 0; k < kDpiLevels; ++k) {
    host().SetSliderRange(SliderId(k), kSliderMin, kSliderMax);
    host().SetSliderPageSize(SliderId(k), kDpiSliderPageSize);
    host().SetSliderPos(SliderId(k), kInitialSliderPos[k]);
  }
  WriteDpiEdits();
}

void CUpdaterDlg::ShowSettings(const MouseSettings& settings) {
  // Computed in 16 bits: a count of 0 gives 0xFFFF, no selection.
  host().SetCurSel(ctl::kLevelCount, static_cast<uint16_t>(settings.dpiLevelCount - 1));
  ShowLevelRows(settings.dpiLevelCount);
  const int rateIndex = ReportRateIndexForInterval(settings.reportInterval);
  if (rateIndex >= 0) host().SetCurSel(ctl::kReportRate, rateIndex);
  host().SetCheck(ctl::kBacklight, settings.wheelBacklight == 1);
  for (int k = 0; k < kDpiLevels; ++k) {
    m_dpiValue[k] = static_cast<uint32_t>(static_cast<int32_t>(settings.dpi[k].dpiX));
  }
  for (int k = 0; k < kDpiLevels; ++k) {
    host().SetSliderPos(SliderId(k), static_cast<int>(SliderPosForValue(m_dpiValue[k])));
  }
  WriteDpiEdits();
}

void CUpdaterDlg::ReadControls(MouseSettings& settings) {
  // A value typed and applied before the timer came round is committed here
  // as the timer would commit it, so that the mouse never gets a DPI outside
  // 50..16000 or off the 50 grid.
  for (int k = 0; k < kDpiLevels; ++k) m_dpiValue[k] = static_cast<uint32_t>(CommitDpiEdit(k));
  const int levelIndex = host().GetCurSel(ctl::kLevelCount);
  if (levelIndex >= 0) settings.dpiLevelCount = static_cast<uint8_t>(levelIndex + 1);
  if (const auto code = ReportIntervalForIndex(host().GetCurSel(ctl::kReportRate))) {
    settings.reportInterval = *code;
  }
  settings.wheelBacklight = host().GetCheck(ctl::kBacklight) ? 1 : 0;
  for (int k = 0; k < kDpiLevels; ++k) {
    const auto dpi = static_cast<int16_t>(m_dpiValue[k] & 0xFFFF);
    settings.dpi[k] = DpiPair{dpi, dpi};
  }
}

void CUpdaterDlg::ShowLevelRows(uint8_t count) {
  // Row 1 always shows; a count outside 1..4 shows every row.
  const int shown = IsValidLevelCount(count) ? count : kDpiLevels;
  for (int k = 0; k < kDpiLevels; ++k) {
    const bool visible = k < shown;
    host().Show(LabelId(k), visible);
    host().Show(SliderId(k), visible);
    host().Show(EditId(k), visible);
  }
}

void CUpdaterDlg::OnListChoice(int id) {
  if (id == ctl::kLevelCount) OnLevelCountChange();
}

void CUpdaterDlg::OnLevelCountChange() {
  ShowLevelRows(static_cast<uint8_t>(host().GetCurSel(ctl::kLevelCount) + 1));
}

void CUpdaterDlg::OnSliderMoved(int id) {
  for (int k = 0; k < kDpiLevels; ++k) {
    if (id == SliderId(k)) OnHScroll(k);
  }
}

void CUpdaterDlg::OnHScroll(int row) {
  m_dpiValue[row] = static_cast<uint32_t>(host().GetSliderPos(SliderId(row))) * kDpiStep;
  // Every box is rewritten, also one holding typed text not yet taken.
  WriteDpiEdits();
}

void CUpdaterDlg::OnEditChanged(int id) {
  if (id >= EditId(0) && id < EditId(kDpiLevels)) ArmTimer();
}

void CUpdaterDlg::OnEditLostFocus(int id) {
  if (id >= EditId(0) && id < EditId(kDpiLevels)) ArmTimer();
}

void CUpdaterDlg::OnTimer(int id) {
  if (id != kDpiTimerId) return;
  if (!OnTimerTick()) {
    // Nothing moved, so nothing will until the user or the program writes.
    host().KillTimer(kDpiTimerId);
    m_timerSet = false;
  }
}

bool CUpdaterDlg::OnTimerTick() {
  bool changed = false;
  for (int k = 0; k < kDpiLevels; ++k) {
    const std::string before = host().GetText(EditId(k));
    const int posBefore = host().GetSliderPos(SliderId(k));
    const int32_t value = CheckDpiEdit(k);
    host().SetSliderPos(SliderId(k), value / kDpiStep);  // the slider keeps to its range
    changed = changed || before != host().GetText(EditId(k)) ||
              posBefore != host().GetSliderPos(SliderId(k));
  }
  return changed;
}

void CUpdaterDlg::SetTimerPeriodMs(unsigned ms) {
  m_timerPeriodMs = ms;
  if (m_timerSet && Host()) {
    host().KillTimer(kDpiTimerId);
    m_timerSet = false;
  }
  ArmTimer();
}

void CUpdaterDlg::ArmTimer() {
  if (m_timerSet || m_timerPeriodMs == 0 || m_closing || !Host()) return;
  host().SetTimer(kDpiTimerId, m_timerPeriodMs);
  m_timerSet = true;
}

// The box with the keyboard focus keeps what is typed and its slider follows
// the typed value; a box that has been left is committed (clamped to
// 50..16000, rounded to the nearest 50, 25 rounding up).
int32_t CUpdaterDlg::CheckDpiEdit(int row) {
  if (host().GetFocus() == EditId(row)) return ParseLeadingInt(host().GetText(EditId(row)));
  return CommitDpiText(row);
}

int32_t CUpdaterDlg::CommitDpiText(int row) {
  const std::string current = host().GetText(EditId(row));
  const int32_t typed = ParseLeadingInt(current);
  const int32_t value = CommittedDpi(typed);
  const std::string text = std::to_string(value);
  if (typed > kDpiMax || typed < kDpiMin) {
    // Out of range: the clamped value, with the caret after it.
    host().SetText(EditId(row), text);
    host().SetSel(EditId(row), static_cast<int>(text.size()), static_cast<int>(text.size()));
  } else if (current != text) {
    host().SetText(EditId(row), text);
  }
  return value;
}

int32_t CUpdaterDlg::CommitDpiEdit(int row) {
  const int32_t value = CommitDpiText(row);
  host().SetSliderPos(SliderId(row), value / kDpiStep);
  return value;
}

void CUpdaterDlg::WriteDpiEdits() {
  for (int k = 0; k < kDpiLevels; ++k) {
    const std::string text = std::to_string(m_dpiValue[k]);
    if (host().GetText(EditId(k)) != text) host().SetText(EditId(k), text);
  }
  ArmTimer();
}

}  // namespace tr58k
