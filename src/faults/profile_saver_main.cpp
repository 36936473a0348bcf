// tr58k_profile_saver PATH: saves the two saver records to PATH in turn,
// as the apply does, until it is killed. After its first save it writes one
// byte to standard output, so that a test knows the saves are under way.
#include <unistd.h>

#include <cstdio>

#include "faults/saver_records.h"
#include "settings/profile_file.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tr58k_profile_saver PATH\n");
    return 2;
  }
  const std::string path = argv[1];
  const tr58k::MouseSettings records[2] = {tr58k::faults::SaverRecord(0),
                                           tr58k::faults::SaverRecord(1)};
  for (unsigned long n = 0;; ++n) {
    if (!tr58k::SaveProfile(records[(n + 1) % 2], path)) return 1;
    if (n == 0 && ::write(STDOUT_FILENO, "1", 1) != 1) return 1;
  }
}
