#include <windows.h>

#include <cstring>
#include <gtest/gtest.h>

// "--child EVENT" makes this program the stand-in that LaunchInterceptor starts: it waits until
// the named event is set (at most 30 s), or ends at once when there is no such event.
int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--child") == 0) {
    if (HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, argv[2])) WaitForSingleObject(event, 30000);
    return 0;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
