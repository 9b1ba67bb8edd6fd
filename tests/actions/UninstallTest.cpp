#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>

#include "app/MainWindow.h"
#include "app/resources/ResourceIds.h"
#include "support/AppSession.h"
#include "support/LaunchInterceptor.h"
#include "support/RegistryCalls.h"
#include "support/TestData.h"
#include "support/UninstallerScript.h"

namespace {

using Titles = std::vector<std::string>;
using Commands = std::vector<std::string>;
using Trigger = std::pair<const char*, std::function<void()>>;

const char* const ProductCode = "{6F1C2A3B-0D4E-4A5F-9B8C-7D6E5F4A3B2C}";

// Every scan opens the uninstall key of both roots once.
int Scans(const RegistryCalls& calls) { return calls.OpensOf(UninstallPath) / 2; }

void PressEnterInTheList() { SendMessageA(ProgramList.GetHandle(), WM_KEYDOWN, VK_RETURN, 0); }

void DoubleClickTheList(int item) {
  RECT rect = {};
  rect.left = LVIR_LABEL;
  SendMessageA(ProgramList.GetHandle(), LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&rect));
  SendMessageA(ProgramList.GetHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(rect.left + 5, rect.top + 2));
}

void ClickButton(CButton& button) { SendMessageA(button.GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2)); }

void SendCommand(int id) { SendMessageA(MainWindow.GetHandle(), WM_COMMAND, id, 0); }

void ExpectAppBox(const CaughtMessageBox& box, const std::string& text, UINT style) {
  EXPECT_EQ(text, box.Text);
  EXPECT_EQ("Quillmere", box.Caption);
  EXPECT_EQ(style, box.Style);
  EXPECT_EQ(MainWindow.GetHandle(), box.Owner);
}

class UninstallTest : public AppTest {
 protected:
  static void RegisterQuietOnly(const std::string& keyName, const std::string& title, const std::string& command) {
    RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, keyName,
                                     {{"DisplayName", title}, {"QuietUninstallString", command}});
  }

  UninstallerScript Helper;
};

TEST_F(UninstallTest, EachTriggerRunsTheUninstallStringVerbatimThenTheItemAtItsPlaceIsSelected) {
  Register(HKEY_LOCAL_MACHINE, "alpha", "Alpha");
  Register(HKEY_LOCAL_MACHINE, "gamma", "Gamma");
  StartUp();
  const Trigger triggers[] = {{"Enter", PressEnterInTheList},
                              {"Remove button", [] { ClickButton(RemoveButton); }},
                              {"uninstall command", [] { SendCommand(IDM_UNINSTALL); }},
                              {"double-click", [] { DoubleClickTheList(1); }}};
  for (const Trigger& trigger : triggers) {
    SCOPED_TRACE(trigger.first);
    UninstallerScript helper;
    // Beta's uninstaller removes its registration after a moment, so a rescan that came before
    // its end would still list it; its error code is not reported; its quiet string is not used.
    const std::string command = helper.CommandLine("--sleep 300 " +
                                                   DeleteRegistrationWords(Registry, HKEY_LOCAL_MACHINE, "beta") +
                                                   " --exit 1603  /X\t\"quoted  words\" a\\\"b %TEMP% ;& |  ");
    RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "beta",
                                     {{"DisplayName", "Beta"}, {"UninstallString", command},
                                      {"QuietUninstallString", Helper.CommandLine("/quiet")}});
    StartUp();
    Select(1);
    RegistryCalls calls;
    trigger.second();
    EXPECT_EQ(Commands{command}, helper.Launches());
    EXPECT_EQ(1, Scans(calls));
    EXPECT_EQ((Titles{"Alpha", "Gamma"}), ListTitles());
    EXPECT_EQ(1, SelectedIndex()) << "the item at the same position";
  }
  EXPECT_TRUE(Helper.Launches().empty());
  EXPECT_TRUE(Boxes.Texts().empty());
}

TEST_F(UninstallTest, OnlyAQuietUninstallStringRunsAfterAWarningAnsweredYes) {
  const std::string quiet = Helper.CommandLine("/quiet");
  RegisterQuietOnly("quiet", "Quiet Only", quiet);
  StartUp();
  for (int answer : {IDNO, IDYES}) {
    Boxes.Clear();
    Boxes.QueueAnswer(answer);
    RegistryCalls calls;
    PressEnterInTheList();
    ASSERT_EQ(1u, Boxes.Boxes().size());
    ExpectAppBox(Boxes.Boxes()[0],
                 "Warning: this program can only be removed in Quiet mode.\n\nDo you want to proceed ?",
                 MB_ICONWARNING | MB_YESNO);
    EXPECT_EQ(answer == IDYES ? Commands{quiet} : Commands{}, Helper.Launches());
    EXPECT_EQ(1, Scans(calls));
  }
}

TEST_F(UninstallTest, TheQuietOnlyWarningRunsTheCommandOfTheProgramAskedAboutWhenTheSearchTimerFires) {
  RegisterQuietOnly("a", "Alpha", Helper.CommandLine("/alpha"));
  RegisterQuietOnly("b", "Beta", Helper.CommandLine("/beta"));
  StartUp();
  ASSERT_EQ(0, SelectedIndex());
  Boxes.QueueAnswer(IDYES);
  Boxes.WhileOpen([](const CaughtMessageBox&) {
    SearchEdit.SetText("Beta");  // a scan now would put Beta where Alpha is
    PostMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
  });
  RegistryCalls calls;
  PressEnterInTheList();
  EXPECT_EQ(Commands{Helper.CommandLine("/alpha")}, Helper.Launches());
  EXPECT_EQ(1, Scans(calls)) << "the scan requested meanwhile is the action's own";
  EXPECT_EQ(Titles{"Beta"}, ListTitles());
}

TEST_F(UninstallTest, RepairRunsMsiexecWithTheProductCodeThenRescans) {
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, ProductCode,
                                   {{"DisplayName", "Installer Product"}, {"UninstallString", "MsiExec.exe /X"}});
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey(ProductCode), "WindowsInstaller", 1);
  Register(HKEY_LOCAL_MACHINE, "plain", "Plain");
  StartUp();
  LaunchInterceptor launches(Helper.CommandLine());
  for (const Trigger& trigger : {Trigger{"command", [] { SendCommand(IDM_MODIFY); }},
                                 Trigger{"Repair button", [] { ClickButton(RepairButton); }}}) {
    SCOPED_TRACE(trigger.first);
    RegistryCalls calls;
    trigger.second();
    EXPECT_EQ(1, Scans(calls));
  }
  EXPECT_EQ(Commands(2, std::string("msiexec /f ") + ProductCode), launches.CommandLines);
  EXPECT_EQ(2u, Helper.Launches().size()) << "the stand-ins ran and were waited for";
  EXPECT_EQ((Titles{"Installer Product", "Plain"}), ListTitles());
  EXPECT_EQ(0, SelectedIndex());
  EXPECT_TRUE(Boxes.Texts().empty());
}

TEST_F(UninstallTest, WithoutASelectionEveryTriggerAsksForOneAndNeitherLaunchesNorRescans) {
  Register(HKEY_LOCAL_MACHINE, ProductCode, "Installer Product");
  RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey(ProductCode), "WindowsInstaller", 1);
  StartUp();
  LaunchInterceptor launches;
  const Trigger triggers[] = {{"Enter", PressEnterInTheList},
                              {"double-click", [] { DoubleClickTheList(0); }},
                              {"Remove button", [] { ClickButton(RemoveButton); }},
                              {"Repair button", [] { ClickButton(RepairButton); }},
                              {"uninstall command", [] { SendCommand(IDM_UNINSTALL); }},
                              {"modify command", [] { SendCommand(IDM_MODIFY); }}};
  for (const Trigger& trigger : triggers) {
    SCOPED_TRACE(trigger.first);
    LVITEMA none = {};
    none.stateMask = LVIS_SELECTED;
    SendMessageA(ProgramList.GetHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    PumpMessages();
    ASSERT_EQ(-1, SelectedIndex());
    Boxes.Clear();
    RegistryCalls calls;
    trigger.second();
    ASSERT_EQ(1u, Boxes.Boxes().size());
    ExpectAppBox(Boxes.Boxes()[0], "Please select a program", MB_ICONINFORMATION | MB_OK);
    EXPECT_EQ(0, Scans(calls));
  }
  EXPECT_TRUE(launches.CommandLines.empty());
}

}  // namespace
