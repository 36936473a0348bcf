// tr58kctl.exe run as a user runs it, from another process under Wine: the
// console it shares is left with the code pages it had, and a profile that
// another program holds open for a moment, or for longer than a save waits,
// is saved, or kept whole with the user told.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "settings/profile_file.h"
#include "settings/wide_text_windows.h"

namespace tr58k {
namespace {

// The build names the program by its path on the build machine; under
// Wine, drive Z: is that machine's root.
std::wstring ProgramPath() {
  std::string path = TR58KCTL_PATH;
  if (!path.empty() && path[0] == '/') {
    std::replace(path.begin(), path.end(), '/', '\\');
    path = "Z:" + path;
  }
  return Utf8ToWide(path);
}

std::string ReadAll(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct ProgramRun {
  DWORD status = 0xFFFFFFFF;
  std::string out, err;
};

// Starts tr58kctl.exe with `args`; with `captured` its output goes to files,
// else to this process's console. `whileRunning` is called every 5 ms until
// it ends (at most 60 s).
ProgramRun RunProgram(const std::wstring& args, bool captured,
                      const std::function<void()>& whileRunning = {}) {
  wchar_t tempDir[MAX_PATH];
  ::GetTempPathW(MAX_PATH, tempDir);
  const std::wstring base =
      std::wstring(tempDir) + L"tr58kctl-run-" + std::to_wstring(::GetCurrentProcessId());
  const std::wstring outPath = base + L".out", errPath = base + L".err";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  STARTUPINFOW si{};
  si.cb = sizeof si;
  HANDLE outFile = INVALID_HANDLE_VALUE, errFile = INVALID_HANDLE_VALUE;
  if (captured) {
    outFile = ::CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    errFile = ::CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = outFile;
    si.hStdError = errFile;
  }
  // The texts as written, whatever the prefix's language.
  std::wstring line = L"\"" + ProgramPath() + L"\" --language C " + args;
  PROCESS_INFORMATION pi{};
  ProgramRun run;
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, captured, 0, nullptr, nullptr, &si,
                        &pi)) {
    ADD_FAILURE() << "cannot start " << WideToUtf8(line) << ": " << ::GetLastError();
  } else {
    for (int waited = 0; ::WaitForSingleObject(pi.hProcess, 5) == WAIT_TIMEOUT && waited < 60000;
         waited += 5) {
      if (whileRunning) whileRunning();
    }
    ::GetExitCodeProcess(pi.hProcess, &run.status);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
  }
  if (captured) {
    ::CloseHandle(outFile);
    ::CloseHandle(errFile);
    run.out = ReadAll(outPath);
    run.err = ReadAll(errPath);
    ::DeleteFileW(outPath.c_str());
    ::DeleteFileW(errPath.c_str());
  }
  return run;
}

// The program runs at this process's console, which it shares. Under Wine a
// process has a console only when started at a terminal (CTest runs this
// test once more under script(1) for it).
TEST(Tr58kctlExeTest, TheConsolesCodePagesAreLeftAsFound) {
  if (::GetConsoleCP() == 0) GTEST_SKIP() << "no console: run at a terminal";
  const UINT input = ::GetConsoleCP(), output = ::GetConsoleOutputCP();
  ASSERT_TRUE(::SetConsoleCP(850));
  ASSERT_TRUE(::SetConsoleOutputCP(850));
  const ProgramRun run = RunProgram(L"--simulate --json show", false);
  EXPECT_EQ(run.status, 0u);
  EXPECT_EQ(::GetConsoleCP(), 850u);
  EXPECT_EQ(::GetConsoleOutputCP(), 850u);
  ::SetConsoleCP(input);
  ::SetConsoleOutputCP(output);
}

// The names in the profile's folder that match `pattern`, sorted.
std::vector<std::string> ProfileFolderEntries(const std::string& pattern = "*") {
  const std::string path = DefaultProfilePath();
  const std::string folder = path.substr(0, path.find_last_of('\\'));
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW(Utf8ToWide(folder + "\\" + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = WideToUtf8(found.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

// Another program opens the profile without delete sharing (as virus
// scanners do just after a file is written) while tr58kctl.exe applies:
// for a while shorter than the save's bound, or until the program has ended.
TEST(Tr58kctlExeTest, AProfileHeldByAnotherProgramIsSavedOrKeptWhole) {
  const std::string path = DefaultProfilePath();
  const std::wstring widePath = Utf8ToWide(path);
  ::DeleteFileW(widePath.c_str());
  const ProgramRun first = RunProgram(L"--simulate apply --dpi 500,1000,2000,4000", true);
  ASSERT_EQ(first.status, 0u) << first.err;
  ASSERT_NE(first.out.find("Applied to the mouse; saved in the profile."), std::string::npos)
      << first.out;

  struct Case {
    const char* what;
    std::wstring dpi;
    int holdAfterSeenMs;  // -1: until the program has ended
    int savedDpi1;
  };
  const Case cases[] = {
      {"held 500 ms into the save", L"600,1000,2000,4000", 500, 600},
      {"held past the save's bound", L"700,1000,2000,4000", -1, 600},
  };
  for (const Case& c : cases) {
    const std::string before = ReadAll(widePath);
    HANDLE holder = ::CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE) << c.what;
    DWORD seenAt = 0;
    const ProgramRun run = RunProgram(L"--simulate apply --dpi " + c.dpi, true, [&] {
      // The new file waits beside the held one: the save is trying.
      if (seenAt == 0 && !ProfileFolderEntries(".DefaultPf.profile.tmp-*").empty())
        seenAt = ::GetTickCount();
      if (holder != INVALID_HANDLE_VALUE && seenAt != 0 && c.holdAfterSeenMs >= 0 &&
          ::GetTickCount() - seenAt >= static_cast<DWORD>(c.holdAfterSeenMs)) {
        ::CloseHandle(holder);
        holder = INVALID_HANDLE_VALUE;
      }
    });
    if (holder != INVALID_HANDLE_VALUE) ::CloseHandle(holder);
    EXPECT_NE(seenAt, 0u) << c.what << ": the save never waited";
    EXPECT_EQ(run.status, 0u) << c.what << run.err;
    MouseSettings stored;
    ASSERT_TRUE(LoadProfile(stored, path)) << c.what;
    EXPECT_EQ(stored.dpi[0].dpiX, c.savedDpi1) << c.what;
    const bool saved = c.holdAfterSeenMs >= 0;
    if (saved) {
      EXPECT_NE(run.out.find("Applied to the mouse; saved in the profile."), std::string::npos)
          << c.what << run.out;
      EXPECT_EQ(run.err.find("warning"), std::string::npos) << c.what << run.err;
    } else {
      EXPECT_NE(run.out.find("Applied to the mouse; not saved in the profile."), std::string::npos)
          << c.what << run.out;
      EXPECT_NE(run.err.find("warning: the profile could not be saved to"), std::string::npos)
          << c.what << run.err;
      EXPECT_EQ(ReadAll(widePath), before) << c.what;
    }
    EXPECT_EQ(ProfileFolderEntries(),
              (std::vector<std::string>{".DefaultPf.profile.lock", "DefaultPf.profile"}))
        << c.what;
  }
  ::DeleteFileW(widePath.c_str());
}

}  // namespace
}  // namespace tr58k
