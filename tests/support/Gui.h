#pragma once
// Support for tests that create real windows: a fixture with a visible top-level parent window,
// message pumping, and a spy that sees the messages a window receives.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Dispatches every message queued for this thread, WM_QUIT included.
void PumpMessages();

std::string WindowText(HWND window);

// The window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND window);

// A window class name that no window class of this process has.
std::string UniqueClassName();

// Window objects must outlive their native windows, as the application's global ones do: make
// them with Make(), and TearDown destroys every top-level window of the thread before them.
class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  template <typename Window>
  Window& Make() {
    auto object = std::make_shared<Window>();
    Objects.push_back(object);
    return *object;
  }

  HWND Parent = nullptr;  // visible and top-level

 private:
  std::vector<std::shared_ptr<void>> Objects;
};

struct SpiedMessage {
  UINT Message = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
};

// Sits in front of a window's current procedure until destroyed and records what arrives.
class MessageSpy {
 public:
  explicit MessageSpy(HWND window);
  ~MessageSpy();
  MessageSpy(const MessageSpy&) = delete;
  MessageSpy& operator=(const MessageSpy&) = delete;

  // Runs for each message before the window gets it, while pointers in lParam are still valid.
  void WhileArriving(std::function<void(const SpiedMessage&)> inspect) {
    Inspect = std::move(inspect);
  }

  std::vector<SpiedMessage> Of(UINT message) const;
  void Clear() { Seen.clear(); }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND Window;
  WNDPROC Previous = nullptr;
  std::vector<SpiedMessage> Seen;
  std::function<void(const SpiedMessage&)> Inspect;
};
