#include "testing/fake_window_host.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace tr58k {

FakeWindowHost::FakeWindowHost(DialogLogic& logic, FakeWindowHost* parent)
    : logic_(logic), parent_(parent), calls_([] {}) {
  for (const ControlSpec& item : logic.Template().controls) {
    if (item.id == kNoControlId) continue;
    Control control;
    control.kind = item.kind;
    control.text = item.text;
    // Progress bars start at 0..100, as the common control does.
    if (item.kind == ControlKind::kProgressBar) control.max = 100;
    controls_[item.id] = control;
  }
}

FakeWindowHost::~FakeWindowHost() { Destroy(); }

void FakeWindowHost::Init() {
  logic_.AttachHost(this);
  logic_.OnInitDialog();
}

void FakeWindowHost::Destroy() {
  if (destroyed_ || logic_.Host() != this) return;
  logic_.OnDestroy();
  destroyed_ = true;
  timers_.clear();
  monitor_ = nullptr;
  logic_.AttachHost(nullptr);
}

FakeWindowHost::Control& FakeWindowHost::At(int id) {
  const auto it = controls_.find(id);
  if (it == controls_.end()) throw std::out_of_range("no control " + std::to_string(id));
  return it->second;
}

const FakeWindowHost::Control& FakeWindowHost::Get(int id) const {
  return const_cast<FakeWindowHost*>(this)->At(id);
}

void FakeWindowHost::Click(int id) {
  if (Live() && At(id).enabled) logic_.OnCommand(id);
}

void FakeWindowHost::ChooseListItem(int id, int index) {
  SetCurSel(id, index);
  if (Live()) logic_.OnListChoice(id);
}

void FakeWindowHost::MoveSlider(int id, int pos) {
  SetSliderPos(id, pos);
  if (Live()) logic_.OnSliderMoved(id);
}

void FakeWindowHost::PageSlider(int id, int pages) { MoveSlider(id, At(id).pos + pages * At(id).page); }

void FakeWindowHost::Focus(int id) {
  const int previous = focus_;
  focus_ = id;
  if (previous != id && previous != kNoControlId && At(previous).kind == ControlKind::kEdit && Live()) {
    logic_.OnEditLostFocus(previous);
  }
}

void FakeWindowHost::Type(int id, const std::string& text) {
  Focus(id);
  At(id).text = text;
  if (Live()) logic_.OnEditChanged(id);
}

void FakeWindowHost::PressEnter() {
  // On a push button Enter clicks it; elsewhere it is the dialog's Enter.
  if (focus_ != kNoControlId && At(focus_).kind == ControlKind::kPushButton) {
    Click(focus_);
  } else if (Live()) {
    logic_.OnEnter(focus_);
  }
}

void FakeWindowHost::PressEscape() {
  if (Live()) logic_.OnEscape();
}

void FakeWindowHost::PressCloseBox() {
  if (Live()) logic_.OnCloseRequest();
}

void FakeWindowHost::DeviceChange(HidEventKind kind, const std::string& path) {
  if (Live()) logic_.OnDeviceChange(HidEvent{kind, path});
}

void FakeWindowHost::FireTimer(int id) {
  if (Live() && timers_.count(id)) logic_.OnTimer(id);
}

void FakeWindowHost::RunPending() {
  calls_.RunPending();
  if (parent_) parent_->calls_.RunPending();
  if (child_) child_->calls_.RunPending();
}

bool FakeWindowHost::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    RunPending();
    std::this_thread::yield();
  }
  return true;
}

void FakeWindowHost::SetText(int id, const std::string& text) {
  Control& c = At(id);
  c.text = text;
  if (c.kind == ControlKind::kComboDropDown) c.sel = -1;  // a field's text is no item
}

std::string FakeWindowHost::GetText(int id) const {
  const Control& c = Get(id);
  if (c.kind == ControlKind::kComboDropDown && c.sel >= 0) return c.items[static_cast<size_t>(c.sel)];
  return c.text;
}

void FakeWindowHost::Enable(int id, bool enabled) { At(id).enabled = enabled; }
bool FakeWindowHost::IsEnabled(int id) const { return Get(id).enabled; }
void FakeWindowHost::Show(int id, bool visible) { At(id).shown = visible; }
bool FakeWindowHost::IsShown(int id) const { return Get(id).shown; }
void FakeWindowHost::SetCheck(int id, bool checked) { At(id).checked = checked; }
bool FakeWindowHost::GetCheck(int id) const { return Get(id).checked; }
void FakeWindowHost::SetToolTip(int id, const std::string& text) { At(id).toolTip = text; }
void FakeWindowHost::AddListItem(int id, const std::string& text) { At(id).items.push_back(text); }

void FakeWindowHost::SetCurSel(int id, int index) {
  Control& c = At(id);
  // An index outside the list clears the selection and the field.
  if (index < 0 || index >= static_cast<int>(c.items.size())) {
    c.sel = -1;
    c.text.clear();
    return;
  }
  c.sel = index;
  c.text = c.items[static_cast<size_t>(index)];
}

int FakeWindowHost::GetCurSel(int id) const { return Get(id).sel; }

void FakeWindowHost::SetSliderRange(int id, int min, int max) {
  Control& c = At(id);
  c.min = min;
  c.max = max;
  c.pos = std::clamp(c.pos, min, max);
}

void FakeWindowHost::SetSliderPos(int id, int pos) {
  Control& c = At(id);
  c.pos = std::clamp(pos, c.min, c.max);
}

int FakeWindowHost::GetSliderPos(int id) const { return Get(id).pos; }
void FakeWindowHost::SetSliderPageSize(int id, int page) { At(id).page = page; }
int FakeWindowHost::GetSliderPageSize(int id) const { return Get(id).page; }
void FakeWindowHost::SetProgressPos(int id, int pos) {
  SetSliderPos(id, pos);
  if (onProgressSet) onProgressSet(id, pos);
}
int FakeWindowHost::GetProgressPos(int id) const { return Get(id).pos; }

void FakeWindowHost::SetCaptionLabel(int id, const std::string& caption, ColorRef backColor) {
  Control& c = At(id);
  c.text = caption;
  c.backColor = backColor;
}

void FakeWindowHost::SetFocus(int id) { Focus(id); }

void FakeWindowHost::SetSel(int id, int start, int end) {
  Control& c = At(id);
  c.selStart = start;
  c.selEnd = end;
}

void FakeWindowHost::ShowWarning(const std::string& text) {
  warnings.push_back(text);
  if (whileWarning) whileWarning(text);
}

int FakeWindowHost::RunModal(DialogLogic& child) {
  FakeWindowHost host(child, this);
  child_ = &host;
  host.Init();
  if (onModal) {
    onModal(host);
  }
  if (!host.Ended()) host.EndDialog(kIdCancel);
  host.Destroy();
  child_ = nullptr;
  return host.Result();
}

void FakeWindowHost::EndDialog(int result) {
  if (ended_ || (logic_.Host() == this && !logic_.CanEnd())) return;
  ended_ = true;
  result_ = result;
}

}  // namespace tr58k
