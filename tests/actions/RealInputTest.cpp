// The user's own keyboard and mouse, played on the X display by xdotool: the events go through
// the X server and Wine's input handling to the program's windows and message loop.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/Settings.h"
#include "app/resources/ResourceIds.h"
#include "support/AppSession.h"
#include "support/MainLoop.h"
#include "support/RegistryCalls.h"

namespace {

// One run of xdotool. Wine starts Linux programs without a process handle to wait on, so a shell
// runs it and then creates a marker file, which the test sees through drive Z: (the root).
class Xdotool {
 public:
  explicit Xdotool(const std::string& arguments) {
    // Process ids repeat across Wine prefixes; the time tells runs of other prefixes apart.
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const std::string marker = "/tmp/quillmere-xdotool-" + std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(now.QuadPart);
    Marker = "Z:" + marker;
    for (char& c : Marker)
      if (c == '/') c = '\\';
    std::string commandLine = "/bin/sh -c \"/usr/bin/xdotool " + arguments + "; touch " + marker + "\"";
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    Started = CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &process) != FALSE;
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
  }
  ~Xdotool() { Finish(); }
  Xdotool(const Xdotool&) = delete;
  Xdotool& operator=(const Xdotool&) = delete;

  bool Started = false;

  bool Ended() const { return GetFileAttributesA(Marker.c_str()) != INVALID_FILE_ATTRIBUTES; }

  // Waits for the end, pumping meanwhile, then lets the program handle what arrived.
  void Finish() {
    if (!Started || Finished) return;
    Finished = true;
    PumpUntil([this] { return Ended(); }, 15000);
    DeleteFileA(Marker.c_str());
    PumpMessages();
  }

 private:
  std::string Marker;
  bool Finished = false;
};

POINT CenterOf(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);  // screen coordinates, which are the X root window's
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

std::string At(POINT point) { return std::to_string(point.x) + " " + std::to_string(point.y); }

class RealInputTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    SetForegroundWindow(MainWindow.GetHandle());
    PumpMessages();
  }
};

TEST_F(RealInputTest, TypingInTheSearchBoxFiltersTheListHalfASecondLater) {
  Register(HKEY_CURRENT_USER, "w", "Text Writer Pro");
  Register(HKEY_CURRENT_USER, "p", "Paint Shop");
  Register(HKEY_LOCAL_MACHINE, "r", "Writer's Reader");
  StartUp();
  RegistryCalls calls;

  // The click gives the search box the focus; the X display's focus follows the pointer.
  Xdotool typing("mousemove " + At(CenterOf(SearchEdit.GetHandle())) + " click 1 sleep 0.2 type --delay 100 writer");
  ASSERT_TRUE(typing.Started);
  RunMainLoopUntil([&] { return typing.Ended(); }, 15000);
  typing.Finish();
  ASSERT_EQ("writer", SearchEdit.GetText());
  EXPECT_EQ(SearchEdit.GetHandle(), GetFocus());

  const std::vector<std::string> found{"Text Writer Pro", "Writer's Reader"};
  EXPECT_TRUE(RunMainLoopUntil([&] { return ListTitles() == found; }, 15000));
  EXPECT_EQ(found, ListTitles());
  EXPECT_EQ("2 applications", StatusText());
  EXPECT_GE(calls.OpensOf(UninstallPath), 2);
}

TEST_F(RealInputTest, RightClickOnTheColumnHeaderOpensTheColumnsMenuAndAChoiceTogglesTheColumn) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  StartUp();
  ASSERT_EQ((std::vector<std::string>{"Application", "Size", "Company"}), ColumnHeaders());

  HMENU popup = nullptr;
  std::vector<std::string> items;
  MessageSpy spy(ProgramList.GetHandle());
  spy.WhileArriving([&](const SpiedMessage& message) {
    if (message.Message != WM_INITMENUPOPUP) return;
    popup = reinterpret_cast<HMENU>(message.WParam);
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      char text[64] = {};
      GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
      items.push_back(text);
    }
  });
  RECT header;
  GetWindowRect(ProgramList.GetHeader(), &header);
  const POINT onTheFirstColumn = {header.left + 20, (header.top + header.bottom) / 2};
  Xdotool rightClick("mousemove " + At(onTheFirstColumn) + " click 3");
  ASSERT_TRUE(rightClick.Started);

  // Once the menu shows (the loop runs inside the menu's own loop then), "Company" is clicked.
  std::unique_ptr<Xdotool> choice;
  const bool toggled = RunMainLoopUntil(
      [&] {
        RECT item;
        if (!choice && popup && GetMenuItemRect(ProgramList.GetHandle(), popup, 1, &item) && item.right > item.left)
          choice = std::make_unique<Xdotool>("mousemove " + At({(item.left + item.right) / 2, (item.top + item.bottom) / 2}) +
                                             " click 1");
        return AppSettings.ShowCompanyColumn == 0;
      },
      15000);
  rightClick.Finish();
  choice.reset();

  EXPECT_EQ((std::vector<std::string>{"Program name", "Company", "Size", "Frequency of use", "Date last used"}), items);
  EXPECT_TRUE(toggled);
  EXPECT_EQ((std::vector<std::string>{"Application", "Size"}), ColumnHeaders());
}

TEST_F(RealInputTest, F5PressedOnTheKeyboardRescans) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  StartUp();
  Register(HKEY_LOCAL_MACHINE, "b", "Beta");
  RegistryCalls calls;

  Xdotool pressing("mousemove " + At(CenterOf(ProgramList.GetHandle())) + " key F5");
  ASSERT_TRUE(pressing.Started);
  const bool rescanned = RunMainLoopUntil([&] { return calls.OpensOf(UninstallPath) > 0; }, 15000);
  pressing.Finish();

  EXPECT_TRUE(rescanned);
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Beta"}), ListTitles());
  EXPECT_EQ(ProgramList.GetHandle(), GetFocus());
}

}  // namespace
