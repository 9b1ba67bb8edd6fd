#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>

#include "actions/Uninstall.h"
#include "app/MainWindow.h"
#include "app/resources/ResourceIds.h"
#include "support/AppSession.h"
#include "support/LaunchInterceptor.h"
#include "support/RegistryCalls.h"
#include "support/UninstallerScript.h"
#include "support/TestData.h"

namespace {

using Titles = std::vector<std::string>;
using Commands = std::vector<std::string>;

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

void Deselect() {
  LVITEMA none = {};
  none.stateMask = LVIS_SELECTED;
  SendMessageA(ProgramList.GetHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  PumpMessages();
}

void ExpectAppBox(const CaughtMessageBox& box, const std::string& text, UINT style) {
  EXPECT_EQ(text, box.Text);
  EXPECT_EQ("Quillmere", box.Caption);
  EXPECT_EQ(style, box.Style);
  EXPECT_EQ(MainWindow.GetHandle(), box.Owner);
}

const char* const QuietOnlyWarning = "Warning: this program can only be removed in Quiet mode.\n\nDo you want to proceed ?";

class UninstallTest : public AppTest {
 protected:
  // Alpha, Beta and Gamma; Beta's uninstaller removes Beta's registration after a moment, so a
  // rescan that came before the uninstaller's end would still list it.
  void RegisterAlphaBetaGamma() {
    Register(HKEY_LOCAL_MACHINE, "alpha", "Alpha", Helper.CommandLine("--exit 0"));
    BetaCommand = Helper.CommandLine("--sleep 300 " + DeleteRegistrationWords(Registry, HKEY_LOCAL_MACHINE, "beta"));
    Register(HKEY_LOCAL_MACHINE, "beta", "Beta", BetaCommand);
    Register(HKEY_LOCAL_MACHINE, "gamma", "Gamma", Helper.CommandLine("--exit 0"));
  }

  void ExpectBetaUninstalledBy(const std::function<void()>& trigger) {
    RegisterAlphaBetaGamma();
    StartUp();
    Select(1);
    RegistryCalls calls;
    trigger();
    EXPECT_EQ(Commands{BetaCommand}, Helper.Launches());
    EXPECT_EQ(1, Scans(calls));
    EXPECT_EQ((Titles{"Alpha", "Gamma"}), ListTitles());
    EXPECT_EQ(1, SelectedIndex()) << "the item at the same position";
    EXPECT_TRUE(Boxes.Texts().empty());
  }

  // A Windows Installer product with the given uninstall strings (an empty one is present but empty).
  void RegisterInstallerProduct(const std::string& uninstallString, const std::string& quietUninstallString = "") {
    RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, ProductCode,
                                     {{"DisplayName", "Installer Product"}, {"UninstallString", uninstallString}});
    if (!quietUninstallString.empty())
      RegistrySandbox::WriteString(HKEY_LOCAL_MACHINE, UninstallKey(ProductCode), "QuietUninstallString",
                                   quietUninstallString);
    RegistrySandbox::WriteDword(HKEY_LOCAL_MACHINE, UninstallKey(ProductCode), "WindowsInstaller", 1);
  }

  // Runs a harmless helper in place of any command, so that msiexec never runs.
  std::function<std::string(const std::string&)> RunTheHelperInstead() {
    return [this](const std::string&) { return Helper.CommandLine(); };
  }

  UninstallerScript Helper;
  std::string BetaCommand;
};

TEST_F(UninstallTest, TheEnterKeyInTheListRunsTheUninstallStringThenRescans) {
  ExpectBetaUninstalledBy(PressEnterInTheList);
  EXPECT_TRUE(IsWindowEnabled(MainWindow.GetHandle()));
}

TEST_F(UninstallTest, ADoubleClickInTheListRunsTheUninstallStringThenRescans) {
  ExpectBetaUninstalledBy([] { DoubleClickTheList(1); });
}

TEST_F(UninstallTest, AClickOnTheRemoveButtonRunsTheUninstallStringThenRescans) {
  ExpectBetaUninstalledBy([] { ClickButton(RemoveButton); });
}

TEST_F(UninstallTest, TheUninstallCommandRunsTheUninstallStringThenRescans) {
  ExpectBetaUninstalledBy([] { SendCommand(IDM_UNINSTALL); });
}

TEST_F(UninstallTest, OtherKeysInTheListStartNothing) {
  RegisterAlphaBetaGamma();
  StartUp();
  Select(1);
  RegistryCalls calls;
  for (WPARAM key : {VK_SPACE, VK_DELETE, VK_EXECUTE, VK_SEPARATOR, VK_F5})
    SendMessageA(ProgramList.GetHandle(), WM_KEYDOWN, key, 0);
  EXPECT_TRUE(Helper.Launches().empty());
  EXPECT_EQ(0, Scans(calls));
}

TEST_F(UninstallTest, AnUninstallerThatEndsWithAnErrorCodeCountsAsFinished) {
  const std::string command =
      Helper.CommandLine(DeleteRegistrationWords(Registry, HKEY_CURRENT_USER, "tool") + " --exit 1603");
  Register(HKEY_CURRENT_USER, "tool", "Tool", command);
  Register(HKEY_CURRENT_USER, "other", "Other");
  StartUp();
  Select(1);
  ASSERT_EQ("Tool", CellText(1, 0));
  PressEnterInTheList();
  EXPECT_EQ(Commands{command}, Helper.Launches());
  EXPECT_EQ(Titles{"Other"}, ListTitles());
  EXPECT_TRUE(Boxes.Texts().empty());
}

TEST_F(UninstallTest, ALaunchFailureIsReportedAndTheListRescanned) {
  const std::string command = "\"Z:\\gone\\uninst.exe\" /S";
  Register(HKEY_LOCAL_MACHINE, "gone", "Gone", command);
  StartUp();
  RegistryCalls calls;
  PressEnterInTheList();
  ASSERT_EQ(1u, Boxes.Boxes().size());
  ExpectAppBox(Boxes.Boxes()[0], "Couldn't launch the program \"" + command + "\"", MB_ICONERROR | MB_OK);
  EXPECT_EQ(1, Scans(calls));
  EXPECT_EQ(Titles{"Gone"}, ListTitles());
  EXPECT_EQ(0, SelectedIndex());
}

TEST_F(UninstallTest, WithBothStringsTheUninstallStringRunsWithoutAQuestion) {
  const std::string command = Helper.CommandLine("/interactive");
  RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "both",
                                   {{"DisplayName", "Both"},
                                    {"UninstallString", command},
                                    {"QuietUninstallString", Helper.CommandLine("/quiet")}});
  StartUp();
  PressEnterInTheList();
  EXPECT_EQ(Commands{command}, Helper.Launches());
  EXPECT_TRUE(Boxes.Texts().empty());
}

class QuietOnlyTest : public UninstallTest {
 protected:
  void SetUp() override {
    UninstallTest::SetUp();
    QuietCommand = Helper.CommandLine("/quiet");
    RegistrySandbox::AddRegistration(HKEY_LOCAL_MACHINE, "quiet",
                                     {{"DisplayName", "Quiet Only"}, {"QuietUninstallString", QuietCommand}});
    StartUp();
    ASSERT_EQ(0, SelectedIndex());
  }

  void ExpectTheWarning() {
    ASSERT_EQ(1u, Boxes.Boxes().size());
    ExpectAppBox(Boxes.Boxes()[0], QuietOnlyWarning, MB_ICONWARNING | MB_YESNO);
  }

  std::string QuietCommand;
};

TEST_F(QuietOnlyTest, YesToTheWarningRunsTheQuietUninstallStringThenRescans) {
  RegistryCalls calls;
  Boxes.QueueAnswer(IDYES);
  PressEnterInTheList();
  ExpectTheWarning();
  EXPECT_EQ(Commands{QuietCommand}, Helper.Launches());
  EXPECT_EQ(1, Scans(calls));
}

TEST_F(QuietOnlyTest, NoToTheWarningRunsNothingButRescans) {
  RegistryCalls calls;
  Boxes.QueueAnswer(IDNO);
  DoubleClickTheList(0);
  ExpectTheWarning();
  EXPECT_TRUE(Helper.Launches().empty());
  EXPECT_EQ(1, Scans(calls));
}

TEST_F(QuietOnlyTest, ARescanWhileTheWarningIsOpenDoesNotChangeWhatRuns) {
  // The box's modal loop dispatches messages: here the search timer's, after the registration
  // has changed. Its scan waits for the end of the action and is the action's own rescan.
  Boxes.QueueAnswer(IDYES);
  Boxes.WhileOpen([this](const CaughtMessageBox&) {
    RegistrySandbox::WriteString(HKEY_LOCAL_MACHINE, UninstallKey("quiet"), "QuietUninstallString",
                                 Helper.CommandLine("/changed-while-asking"));
    PostMessageA(MainWindow.GetHandle(), WM_TIMER, 0, 0);
  });
  RegistryCalls calls;
  PressEnterInTheList();
  ExpectTheWarning();
  EXPECT_EQ(Commands{QuietCommand}, Helper.Launches()) << "the command of the program the user was asked about";
  EXPECT_EQ(1, Scans(calls));
}

TEST_F(QuietOnlyTest, TheRemoveButtonAsksTooAndTheCommandIsGrayed) {
  const UINT state = GetMenuState(MainWindow.GetMenu(), IDM_UNINSTALL, MF_BYCOMMAND);
  EXPECT_TRUE(state & MF_GRAYED);
  Boxes.QueueAnswer(IDYES);
  ClickButton(RemoveButton);
  ExpectTheWarning();
  EXPECT_EQ(Commands{QuietCommand}, Helper.Launches());
}

TEST_F(QuietOnlyTest, AQuietUninstallAsksNothing) {
  Uninstall(true);
  EXPECT_TRUE(Boxes.Texts().empty());
  EXPECT_EQ(Commands{QuietCommand}, Helper.Launches());
}

TEST_F(UninstallTest, AQuietUninstallPrefersTheQuietUninstallString) {
  const std::string quiet = Helper.CommandLine("/quiet");
  RegisterInstallerProduct(Helper.CommandLine("/interactive"), quiet);
  StartUp();
  Uninstall(true);
  EXPECT_EQ(Commands{quiet}, Helper.Launches());
  EXPECT_TRUE(Boxes.Texts().empty());
}

TEST_F(UninstallTest, AQuietUninstallOfAnInstallerProductWithoutAQuietStringRunsTheInstaller) {
  RegisterInstallerProduct(Helper.CommandLine("/interactive"));
  StartUp();
  RegistryCalls calls;
  LaunchInterceptor launches(RunTheHelperInstead());
  Uninstall(true);
  EXPECT_EQ(Commands{std::string("msiexec /quiet /uninstall ") + ProductCode}, launches.CommandLines());
  EXPECT_EQ(1u, Helper.Launches().size()) << "the stand-in ran and was waited for";
  EXPECT_EQ(1, Scans(calls));
  EXPECT_TRUE(Boxes.Texts().empty());
}

TEST_F(UninstallTest, AQuietUninstallOfAnyOtherProgramLaunchesNothingAndRescans) {
  Register(HKEY_LOCAL_MACHINE, "plain", "Plain", Helper.CommandLine());
  StartUp();
  RegistryCalls calls;
  Uninstall(true);
  ASSERT_EQ(1u, Boxes.Boxes().size());
  ExpectAppBox(Boxes.Boxes()[0], "Couldn't launch the program \"\"", MB_ICONERROR | MB_OK);
  EXPECT_TRUE(Helper.Launches().empty());
  EXPECT_EQ(1, Scans(calls));
}

TEST_F(UninstallTest, AnInstallerProductWithoutUninstallStringsFailsToLaunchAndRescans) {
  RegisterInstallerProduct("");
  StartUp();
  ASSERT_EQ(Titles{"Installer Product"}, ListTitles());
  RegistryCalls calls;
  LaunchInterceptor launches([](const std::string& commandLine) { return commandLine; });
  PressEnterInTheList();
  EXPECT_EQ(Commands{""}, launches.CommandLines()) << "no msiexec: the empty UninstallString";
  ASSERT_EQ(1u, Boxes.Boxes().size());
  ExpectAppBox(Boxes.Boxes()[0], "Couldn't launch the program \"\"", MB_ICONERROR | MB_OK);
  EXPECT_EQ(1, Scans(calls));
}

class RepairTest : public UninstallTest {
 protected:
  void ExpectRepairedBy(const std::function<void()> trigger) {
    RegisterInstallerProduct(Helper.CommandLine("/interactive"));
    Register(HKEY_LOCAL_MACHINE, "plain", "Plain", Helper.CommandLine());
    StartUp();
    Select(0);
    ASSERT_EQ("Installer Product", CellText(0, 0));
    ASSERT_TRUE(IsWindowVisible(RepairButton.GetHandle()));
    RegistryCalls calls;
    LaunchInterceptor launches(RunTheHelperInstead());
    trigger();
    EXPECT_EQ(Commands{std::string("msiexec /f ") + ProductCode}, launches.CommandLines());
    EXPECT_EQ(1u, Helper.Launches().size()) << "the stand-in ran and was waited for";
    EXPECT_EQ(1, Scans(calls));
    EXPECT_EQ((Titles{"Installer Product", "Plain"}), ListTitles());
    EXPECT_EQ(0, SelectedIndex());
    EXPECT_TRUE(Boxes.Texts().empty());
  }
};

TEST_F(RepairTest, TheModifyCommandRepairsTheProduct) { ExpectRepairedBy([] { SendCommand(IDM_MODIFY); }); }

TEST_F(RepairTest, AClickOnTheRepairButtonRepairsTheProduct) {
  ExpectRepairedBy([] { ClickButton(RepairButton); });
}

TEST_F(RepairTest, AFailedRepairIsReportedAndTheListRescanned) {
  RegisterInstallerProduct(Helper.CommandLine());
  StartUp();
  RegistryCalls calls;
  LaunchInterceptor launches([](const std::string&) { return std::string(); });
  SendCommand(IDM_MODIFY);
  ASSERT_EQ(1u, Boxes.Boxes().size());
  ExpectAppBox(Boxes.Boxes()[0], std::string("Couldn't launch the program \"msiexec /f ") + ProductCode + "\"",
               MB_ICONERROR | MB_OK);
  EXPECT_EQ(1, Scans(calls));
}

// Every way of starting an uninstall or a repair, by name.
const std::vector<std::pair<const char*, std::function<void()>>> Triggers = {
    {"Enter", PressEnterInTheList},
    {"double-click", [] { DoubleClickTheList(0); }},
    {"Remove button", [] { ClickButton(RemoveButton); }},
    {"Repair button", [] { ClickButton(RepairButton); }},
    {"uninstall command", [] { SendCommand(IDM_UNINSTALL); }},
    {"modify command", [] { SendCommand(IDM_MODIFY); }},
};

TEST_F(UninstallTest, WithoutASelectionEveryTriggerAsksForOneAndNeitherLaunchesNorRescans) {
  RegisterInstallerProduct(Helper.CommandLine());
  StartUp();
  LaunchInterceptor launches([](const std::string&) { return std::string(); });
  for (const auto& trigger : Triggers) {
    SCOPED_TRACE(trigger.first);
    Deselect();
    ASSERT_EQ(-1, SelectedIndex());
    Boxes.Clear();
    RegistryCalls calls;
    trigger.second();
    ASSERT_EQ(1u, Boxes.Boxes().size());
    ExpectAppBox(Boxes.Boxes()[0], "Please select a program", MB_ICONINFORMATION | MB_OK);
    EXPECT_EQ(0, Scans(calls));
  }
  EXPECT_TRUE(launches.Launches.empty());
}

TEST_F(UninstallTest, AnEmptyListAsksForASelection) {
  StartUp();
  ASSERT_TRUE(ListTitles().empty());
  RegistryCalls calls;
  PressEnterInTheList();
  Repair();
  EXPECT_EQ((Commands{"Please select a program", "Please select a program"}), Boxes.Texts());
  EXPECT_EQ(0, Scans(calls));
}

}  // namespace
