// Start-up of tr58k-config.exe against a bare Win32 dialog, measured in the
// same run: the time from CreateProcess until the program's window shows
// and its thread waits for input (its first paint done), and the memory of
// the program at that point (working set, its peak, committed bytes). The
// time is broken down by what can be seen from outside: until the dialog's
// frame exists (the process, its DLLs, the program's own start), until it
// shows (its controls made, its initialisation), until its first paint is
// done.
//
//   xvfb-run -a scripts/wine-run.sh
//       build-windows/src/app/win32/win32_startup_bench.exe [--chinese-fonts]
//       build-windows/src/app/tr58k-config.exe [runs]
//
// Six starts alternate, `runs` times each (default 10), each ended by
// closing its window: the bare dialog, the bare dialog under the common
// controls 6 and themes of the program's manifest, the same with the main
// window's controls (its template, no program behind it), the program on the
// simulated mouse unplugged (its window, no device code), the program with
// the platform's own backend (no mouse where none is plugged in; the VM's
// virtual mouse in vmtest/scenarios/win-startup-bench.sh) and the program
// with --simulate. Medians, least and largest are printed.
//
// --chinese-fonts links the dialog font to the WenQuanYi fonts for the
// run (the prefix's value is put back after), as a Chinese Windows links
// it to its own: a Wine prefix without Chinese fonts spends much of the
// window's start looking for glyphs it does not have.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/main_dialog_template.h"
#include "ui/win32/dialog_template_win32.h"

namespace {

struct Sample {
  double frameMs = 0;  // the dialog's frame exists, not yet shown
  double shownMs = 0;
  double ms = 0;       // first paint done
  SIZE_T workingSet = 0;
  SIZE_T peakWorkingSet = 0;
  SIZE_T pagefile = 0;
};

struct FindArgs {
  DWORD pid;
  HWND dialog;  // the process's dialog, shown or not
};

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM lp) {
  auto* args = reinterpret_cast<FindArgs*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t cls[16] = {};
  GetClassNameW(hwnd, cls, 16);
  if (pid == args->pid && std::wstring(cls) == L"#32770") {
    args->dialog = hwnd;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindUnpainted(HWND child, LPARAM lp) {
  if (!GetUpdateRect(child, nullptr, FALSE)) return TRUE;
  *reinterpret_cast<bool*>(lp) = true;
  return FALSE;
}

// Whether no part of the dialog, its controls included, waits to be
// painted. (WaitForInputIdle alone is not enough under Wine, where a
// process counts as idle for good once any of its threads has waited for
// messages, which a system library's thread may do before the window shows.)
bool Painted(HWND dialog) {
  if (GetUpdateRect(dialog, nullptr, FALSE)) return false;
  bool unpainted = false;
  EnumChildWindows(dialog, &FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
  return !unpainted;
}

double Since(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, freq;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&freq);
  return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(freq.QuadPart);
}

// One start; false when the program showed no window within 30 s.
bool Measure(const std::wstring& commandLine, Sample& out) {
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring line = commandLine;
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  FindArgs args{pi.dwProcessId, nullptr};
  const ULONGLONG deadline = GetTickCount64() + 30000;
  while (!args.dialog && GetTickCount64() < deadline) {
    EnumWindows(&FindDialog, reinterpret_cast<LPARAM>(&args));
    if (!args.dialog) Sleep(1);
  }
  out.frameMs = Since(start);
  bool shown = false;
  while (args.dialog && !shown && GetTickCount64() < deadline) {
    shown = IsWindowVisible(args.dialog) != FALSE;
    if (!shown) Sleep(1);
  }
  if (shown) {
    out.shownMs = Since(start);
    WaitForInputIdle(pi.hProcess, 10000);
    while (!Painted(args.dialog) && GetTickCount64() < deadline) Sleep(1);
    out.ms = Since(start);
    PROCESS_MEMORY_COUNTERS_EX mem{};
    mem.cb = sizeof(mem);
    GetProcessMemoryInfo(pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem), sizeof(mem));
    out.workingSet = mem.WorkingSetSize;
    out.peakWorkingSet = mem.PeakWorkingSetSize;
    out.pagefile = mem.PagefileUsage;
    PostMessageW(args.dialog, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return shown;
}

// The bare dialog: a caption, one button, the same font, nothing else.
INT_PTR CALLBACK BareProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_CLOSE || (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL)) {
    EndDialog(hwnd, 0);
    return TRUE;
  }
  return msg == WM_INITDIALOG;
}

// With `manifestOf`, under the common controls 6 and themes that program's
// manifest asks for (its DPI awareness is the process's own, so not that);
// with `windowsControls` too, the main window's template as the program
// makes it, with no program behind it.
int RunBareDialog(const wchar_t* manifestOf, bool windowsControls) {
  if (manifestOf) {
    ACTCTXW context{};
    context.cbSize = sizeof(context);
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = manifestOf;
    context.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE handle = CreateActCtxW(&context);
    ULONG_PTR cookie = 0;
    if (handle == INVALID_HANDLE_VALUE || !ActivateActCtx(handle, &cookie)) return 1;
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    HMODULE comctl = LoadLibraryW(L"comctl32.dll");
    auto init = comctl ? reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")))
                       : nullptr;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    if (!init || !init(&icc)) return 1;
  }
  if (windowsControls) {
    const std::vector<WORD> window = tr58k::BuildDialogTemplateEx(tr58k::MainDialogTemplate());
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(window.data()), nullptr,
                            &BareProc, 0);
    return 0;
  }
  // DLGTEMPLATE, no controls, DS_SETFONT with "MS Shell Dlg" 8 pt.
  std::vector<WORD> t;
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT | DS_SHELLFONT;
  t.push_back(LOWORD(style));
  t.push_back(HIWORD(style));
  t.insert(t.end(), {0, 0, 0, 0, 0, 200, 100, 0, 0});  // exStyle, count, x, y, cx, cy, menu, class
  for (wchar_t c : std::wstring(L"bare")) t.push_back(c);
  t.push_back(0);
  t.push_back(8);
  for (wchar_t c : std::wstring(L"MS Shell Dlg")) t.push_back(c);
  t.push_back(0);
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(t.data()), nullptr,
                          &BareProc, 0);
  return 0;
}

double Median(std::vector<Sample> samples, double Sample::*field) {
  std::sort(samples.begin(), samples.end(), [&](const Sample& a, const Sample& b) { return a.*field < b.*field; });
  return samples[samples.size() / 2].*field;
}

void Report(const char* name, std::vector<Sample> samples) {
  std::sort(samples.begin(), samples.end(), [](const Sample& a, const Sample& b) { return a.ms < b.ms; });
  const Sample& median = samples[samples.size() / 2];
  std::printf("%-34s runs %zu  first paint median %.1f ms  min %.1f ms  max %.1f ms  working set %.1f MiB"
              "  (peak %.1f MiB)  committed %.1f MiB\n",
              name, samples.size(), median.ms, samples.front().ms, samples.back().ms, median.workingSet / 1048576.0,
              median.peakWorkingSet / 1048576.0, median.pagefile / 1048576.0);
  const double frame = Median(samples, &Sample::frameMs);
  const double shown = Median(samples, &Sample::shownMs);
  std::printf("%-34s   medians: frame made %.1f ms, shown %.1f ms (+%.1f), first paint done %.1f ms (+%.1f)\n",
              "", frame, shown, shown - frame, median.ms, median.ms - shown);
}

// The dialog font's link to Chinese glyphs, set for a run and put back.
class ChineseFontLink {
 public:
  ChineseFontLink() {
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr) !=
        ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    DWORD size = 0;
    had_ = RegQueryValueExW(key_, L"Tahoma", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
    before_.resize(size);
    if (had_) RegQueryValueExW(key_, L"Tahoma", nullptr, nullptr, before_.data(), &size);
    static const wchar_t kLinked[] = L"wqy-microhei.ttc,WenQuanYi Micro Hei\0wqy-zenhei.ttc,WenQuanYi Zen Hei\0";
    RegSetValueExW(key_, L"Tahoma", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kLinked), sizeof(kLinked));
  }
  ~ChineseFontLink() {
    if (!key_) return;
    if (had_) {
      RegSetValueExW(key_, L"Tahoma", 0, REG_MULTI_SZ, before_.data(), static_cast<DWORD>(before_.size()));
    } else {
      RegDeleteValueW(key_, L"Tahoma");
    }
    RegCloseKey(key_);
  }
  bool Set() const { return key_ != nullptr; }

 private:
  static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink";
  HKEY key_ = nullptr;
  bool had_ = false;
  std::vector<BYTE> before_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 2 && std::wstring(argv[1]) == L"--bare-dialog") {
    return RunBareDialog(argc >= 3 ? argv[2] : nullptr, argc >= 4 && std::wstring(argv[3]) == L"--controls");
  }
  std::unique_ptr<ChineseFontLink> fonts;
  if (argc >= 2 && std::wstring(argv[1]) == L"--chinese-fonts") {
    fonts = std::make_unique<ChineseFontLink>();
    if (!fonts->Set()) return std::fprintf(stderr, "cannot link the dialog font to Chinese fonts\n"), 1;
    --argc;
    ++argv;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: win32_startup_bench [--chinese-fonts] PATH\\tr58k-config.exe [runs]\n");
    return 2;
  }
  const int runs = argc >= 3 ? std::max(1, _wtoi(argv[2])) : 10;
  std::printf("dialog font %s\n", fonts ? "linked to Chinese fonts" : "as the prefix has it");
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring program = L"\"" + std::wstring(argv[1]) + L"\"";
  const std::wstring bare = L"\"" + std::wstring(self) + L"\" --bare-dialog";
  // What each start adds to the one before: the common controls 6 and their
  // themes; the main window's 29 controls; the program's window logic and
  // host on a mouse that is not there, with no device code; the real HID backend finding no mouse; the simulated
  // mouse's start-up read (its 80 ms wait included).
  const struct {
    const char* name;
    std::wstring commandLine;
  } starts[] = {
      {"bare Win32 dialog", bare},
      {"bare, common controls 6", bare + L" " + program},
      {"bare, the window's controls", bare + L" " + program + L" --controls"},
      {"tr58k-config --simulate-unplugged", program + L" --simulate-unplugged"},
      {"tr58k-config, HID backend", program},
      {"tr58k-config --simulate", program + L" --simulate"},
  };
  std::vector<std::vector<Sample>> samples(std::size(starts));
  // Alternated, so all see the same load.
  for (int i = 0; i < runs; ++i) {
    for (size_t k = 0; k < std::size(starts); ++k) {
      Sample s;
      if (!Measure(starts[k].commandLine, s)) return std::fprintf(stderr, "%s showed no window\n", starts[k].name), 1;
      samples[k].push_back(s);
    }
  }
  for (size_t k = 0; k < std::size(starts); ++k) Report(starts[k].name, samples[k]);
  const double bareMs = Median(samples[0], &Sample::ms);
  std::printf("first paint against the bare dialog: HID backend %.2fx, simulated mouse %.2fx\n",
              Median(samples[4], &Sample::ms) / bareMs, Median(samples[5], &Sample::ms) / bareMs);
  std::printf("against the bare dialog with the window's controls: HID backend %.2fx\n",
              Median(samples[4], &Sample::ms) / Median(samples[2], &Sample::ms));
  return 0;
}
