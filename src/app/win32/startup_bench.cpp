// Start-up of tr58k-config.exe against a bare Win32 dialog, measured in the
// same run: the time from CreateProcess until the program's window shows
// and its thread waits for input (its first paint done), and the memory of
// the program at that point (working set, its peak, committed bytes).
//
//   xvfb-run -a scripts/wine-run.sh build-windows/src/app/win32/win32_startup_bench.exe \
//       build-windows/src/app/tr58k-config.exe [runs]
//
// Each program is started `runs` times (default 10) with --simulate, each
// run ended by closing its window; the median and the largest are printed.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Sample {
  double ms = 0;
  SIZE_T workingSet = 0;
  SIZE_T peakWorkingSet = 0;
  SIZE_T pagefile = 0;
};

struct FindArgs {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindVisibleWindow(HWND hwnd, LPARAM lp) {
  auto* args = reinterpret_cast<FindArgs*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == args->pid && IsWindowVisible(hwnd)) {
    args->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// One start; false when the program showed no window within 30 s.
bool Measure(const std::wstring& commandLine, Sample& out) {
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring line = commandLine;
  LARGE_INTEGER freq, start, end;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    return false;
  }
  FindArgs args{pi.dwProcessId, nullptr};
  const ULONGLONG deadline = GetTickCount64() + 30000;
  while (!args.found && GetTickCount64() < deadline) {
    EnumWindows(&FindVisibleWindow, reinterpret_cast<LPARAM>(&args));
    if (!args.found) Sleep(1);
  }
  if (args.found) {
    WaitForInputIdle(pi.hProcess, 10000);
    QueryPerformanceCounter(&end);
    out.ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(freq.QuadPart);
    PROCESS_MEMORY_COUNTERS_EX mem{};
    mem.cb = sizeof(mem);
    GetProcessMemoryInfo(pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem), sizeof(mem));
    out.workingSet = mem.WorkingSetSize;
    out.peakWorkingSet = mem.PeakWorkingSetSize;
    out.pagefile = mem.PagefileUsage;
    PostMessageW(args.found, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return args.found != nullptr;
}

// The bare dialog: a caption, one button, the same font, nothing else.
INT_PTR CALLBACK BareProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_CLOSE || (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL)) {
    EndDialog(hwnd, 0);
    return TRUE;
  }
  return msg == WM_INITDIALOG;
}

int RunBareDialog() {
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

void Report(const char* name, std::vector<Sample> samples) {
  std::sort(samples.begin(), samples.end(), [](const Sample& a, const Sample& b) { return a.ms < b.ms; });
  const Sample& median = samples[samples.size() / 2];
  std::printf("%-24s runs %zu  first paint median %.1f ms  max %.1f ms  working set %.1f MiB"
              "  (peak %.1f MiB)  committed %.1f MiB\n",
              name, samples.size(), median.ms, samples.back().ms, median.workingSet / 1048576.0,
              median.peakWorkingSet / 1048576.0, median.pagefile / 1048576.0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 2 && std::wstring(argv[1]) == L"--bare-dialog") return RunBareDialog();
  if (argc < 2) {
    std::fprintf(stderr, "usage: win32_startup_bench PATH\\tr58k-config.exe [runs]\n");
    return 2;
  }
  const int runs = argc >= 3 ? std::max(1, _wtoi(argv[2])) : 10;
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring bare = L"\"" + std::wstring(self) + L"\" --bare-dialog";
  const std::wstring program = L"\"" + std::wstring(argv[1]) + L"\" --simulate";
  std::vector<Sample> bareSamples, programSamples;
  // Alternated, so both see the same load.
  for (int i = 0; i < runs; ++i) {
    Sample s;
    if (!Measure(bare, s)) return std::fprintf(stderr, "the bare dialog showed no window\n"), 1;
    bareSamples.push_back(s);
    if (!Measure(program, s)) return std::fprintf(stderr, "tr58k-config showed no window\n"), 1;
    programSamples.push_back(s);
  }
  Report("bare Win32 dialog", bareSamples);
  Report("tr58k-config --simulate", programSamples);
  return 0;
}
