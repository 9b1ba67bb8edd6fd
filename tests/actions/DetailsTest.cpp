#include "actions/Details.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/MainWindow.h"
#include "app/Settings.h"
#include "app/resources/ResourceIds.h"
#include "inventory/DateFormatting.h"
#include "inventory/Formatting.h"
#include "support/ApiHook.h"
#include "support/AppSession.h"
#include "support/TestData.h"

namespace {

using Texts = std::vector<std::string>;

std::string Text(const CWindow& control) { return WindowText(control.GetHandle()); }

// The pane's eleven texts, in reading order: title, then label and value of each row.
Texts PaneTexts() {
  return {Text(DetailsTitle),  Text(SizeLabel),      Text(SizeValue),      Text(LastUsedLabel),
          Text(LastUsedValue), Text(UsedLabel),      Text(UsedValue),      Text(PublisherLabel),
          Text(PublisherValue), Text(VersionLabel), Text(VersionValue)};
}

using DetailsTest = AppTest;

TEST_F(DetailsTest, ThePaneShowsOnlyTheFactsThatThereAre) {
  RegistrySandbox::AddRegistration(
      HKEY_CURRENT_USER, "plain",
      {{"DisplayName", "Plain Program"}, {"UninstallString", "u"}, {"Publisher", "Acme"}, {"DisplayVersion", "2.5"}});
  // Usage data without a program size: the estimated size stands in.
  const FILETIME used = FileTimeOf(2024, 3, 15);
  Register(HKEY_LOCAL_MACHINE, "used", "Used Program");
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey("used"), "EstimatedSize", 2048);
  RegistrySandbox::WriteUsageRecord(HKEY_LOCAL_MACHINE, "used", UsageOf(0, 7, used));
  // An unknown use count; the program size wins over the estimated size.
  const FILETIME rare = FileTimeOf(2022, 11, 30);
  Register(HKEY_CURRENT_USER, "rare", "Rare Program");
  RegistrySandbox::WriteDword(HKEY_CURRENT_USER, UninstallKey("rare"), "EstimatedSize", 3);
  RegistrySandbox::WriteUsageRecord(HKEY_CURRENT_USER, "rare", UsageOf(4096, -1, rare));
  // No name at all: the key name is the title; 5 GiB estimated.
  RegistrySandbox::AddRegistration(HKEY_CURRENT_USER, "{KEY-ONLY}", {{"UninstallString", "u"}});
  RegistrySandbox::WriteDword(HKEY_CURRENT_USER, UninstallKey("{KEY-ONLY}"), "EstimatedSize", 5u * 1024 * 1024);
  StartUp();
  ASSERT_EQ((Texts{"Plain Program", "Rare Program", "Used Program", "{KEY-ONLY}"}), ListTitles());
  ASSERT_FALSE(FormatDate(used).empty());

  const Texts expected[] = {
      {"Plain Program", "", "", "", "", "", "", "Publisher:", "Acme", "Version:", "2.5"},
      {"Rare Program", "Estimated size:", FormatSize(4096), "Last used on:", FormatDate(rare), "", "", "", "", "",
       ""},
      {"Used Program", "Estimated size:", "2 MB", "Last used on:", FormatDate(used), "Used:", FormatUseCount(7),
       "", "", "", ""},
      {"{KEY-ONLY}", "Estimated size:", FormatSize(5ull << 30), "", "", "", "", "", "", "", ""},
  };
  EXPECT_EQ(expected[0], PaneTexts()) << "the start-up scan shows the first item";
  for (int item = 1; item < 4; ++item) {
    Select(item);
    EXPECT_EQ(expected[item], PaneTexts()) << item;
  }
  EXPECT_EQ(CellText(3, 1), Text(SizeValue)) << "the size in the list";
}

// Icons that the pane gave up, as DestroyIcon saw them.
std::vector<HICON> Destroyed;
BOOL(WINAPI* RealDestroyIcon)(HICON) = nullptr;
BOOL WINAPI RecordDestroyIcon(HICON icon) {
  Destroyed.push_back(icon);
  return RealDestroyIcon(icon);
}

bool WasDestroyed(HICON icon) { return std::find(Destroyed.begin(), Destroyed.end(), icon) != Destroyed.end(); }

// The pane's icon control as on Windows, where it holds any icon; Wine's refuses monochrome icons
// such as the blank icon, which would then never be replaced.
WNDPROC StaticProc = nullptr;
HICON Held = nullptr;
LRESULT CALLBACK HoldAnyIcon(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == STM_SETICON) return reinterpret_cast<LRESULT>(std::exchange(Held, reinterpret_cast<HICON>(wParam)));
  if (message == STM_GETICON) return reinterpret_cast<LRESULT>(Held);
  return CallWindowProcA(StaticProc, window, message, wParam, lParam);
}

TEST_F(DetailsTest, ReplacedIconsAreDestroyedButNeverTheSharedBlankIcon) {
  Register(HKEY_CURRENT_USER, "a", "Alpha");
  Register(HKEY_CURRENT_USER, "b", "Beta");
  StaticProc = reinterpret_cast<WNDPROC>(
      SetWindowLongA(DetailsIcon.GetHandle(), GWL_WNDPROC, reinterpret_cast<LONG>(HoldAnyIcon)));
  ApiHook hook("USER32.dll", "DestroyIcon", reinterpret_cast<void*>(RecordDestroyIcon));
  ASSERT_TRUE(hook.Installed());
  RealDestroyIcon = hook.Original<BOOL(WINAPI*)(HICON)>();
  const HICON blank = LoadIconA(AppInstance, MAKEINTRESOURCEA(IDI_BLANK));

  StartUp();  // the blank icon, then the first program's
  const HICON first = Held;
  ASSERT_NE(nullptr, first);
  ASSERT_NE(blank, first);
  Select(1);
  const HICON second = Held;
  ASSERT_NE(first, second);
  EXPECT_TRUE(WasDestroyed(first));
  EXPECT_FALSE(WasDestroyed(second));
  ClearDetails();
  ClearDetails();
  EXPECT_TRUE(WasDestroyed(second));
  EXPECT_EQ(blank, Held);
  Select(0);
  EXPECT_FALSE(WasDestroyed(blank));
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(blank, &info)) << "the blank icon is still usable";
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
}

}  // namespace
