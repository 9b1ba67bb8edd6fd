// Random registrations of every shape, scanned, listed and shown in the details pane: nothing
// crashes, no message box appears, and the inventory equals a model of the rules written here.
// Seeded and bounded; QUILLMERE_FUZZ_REGISTRATIONS and QUILLMERE_FUZZ_SEED make it longer or
// choose another seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <random>

#include "app/MainWindow.h"
#include "app/Scan.h"
#include "app/Settings.h"
#include "inventory/ProgramEntry.h"
#include "support/AppSession.h"

namespace {

const char* const StringNames[] = {"DisplayName",  "UninstallString", "QuietDisplayName", "QuietUninstallString",
                                   "DisplayVersion", "Publisher",      "URLInfoAbout",     "URLUpdateInfo",
                                   "HelpLink",     "HelpTelephone",   "Contact",          "Comments",
                                   "Readme",       "DisplayIcon"};
const char* const DwordNames[] = {"EstimatedSize", "WindowsInstaller"};
const DWORD Types[] = {REG_SZ, REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_DWORD, REG_BINARY, REG_MULTI_SZ,
                       REG_QWORD, REG_NONE, REG_DWORD_BIG_ENDIAN, 0x1234};

int EnvironmentNumber(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value && *value ? std::atoi(value) : fallback;
}

struct WrittenValue {
  DWORD Type;
  std::string Bytes;
};

// What the test wrote for one registration.
struct Registration {
  HKEY Root;
  std::string KeyName;
  std::map<std::string, WrittenValue> Values;  // by the exact name written
  bool HasUsageValue = false;
  WrittenValue Usage;
};

class Generator {
 public:
  explicit Generator(unsigned seed) : Random(seed) { FindRoundTripBytes(); }

  Registration Next(int index) {
    Registration registration;
    registration.Root = Chance(3) ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    registration.KeyName = KeyName(index);
    for (const char* name : StringNames)
      if (Chance(2)) registration.Values[name] = Value(std::string(name) == "DisplayIcon");
    for (const char* name : DwordNames)
      if (Chance(3)) registration.Values[name] = Value(false);
    // The wrong case. Value names are case-insensitive: with both, the registry would keep one.
    if (!registration.Values.count("UninstallString") && Chance(8)) registration.Values["uninstallstring"] = Value(false);
    if (Chance(4)) {
      registration.HasUsageValue = true;
      registration.Usage = UsageValue();
    }
    return registration;
  }

  std::string SearchText(const std::vector<Registration>& written) {
    if (Chance(4)) return Text(1 + Pick(3));
    const std::string& name = written[Pick(written.size())].KeyName;
    const size_t start = Pick(name.size());
    std::string text = name.substr(start, 1 + Pick(6));
    if (Chance(2)) std::transform(text.begin(), text.end(), text.begin(), [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return text;
  }

  size_t Pick(size_t count) { return count == 0 ? 0 : Random() % count; }
  bool Chance(int oneIn) { return Random() % oneIn == 0; }

 private:
  // Bytes that survive the registry's conversion to UTF-16 and back in this code page.
  void FindRoundTripBytes() {
    for (int byte = 0x20; byte < 0x100; ++byte) {
      const char text[2] = {static_cast<char>(byte), 0};
      wchar_t wide[4] = {};
      char back[8] = {};
      if (MultiByteToWideChar(CP_ACP, 0, text, 1, wide, 4) == 1 &&
          WideCharToMultiByte(CP_ACP, 0, wide, 1, back, sizeof back, nullptr, nullptr) == 1 && back[0] == text[0] &&
          byte != '\\')
        Alphabet.push_back(static_cast<char>(byte));
    }
  }

  std::string Text(size_t length) {
    std::string text;
    for (size_t i = 0; i < length; ++i) text.push_back(Chance(4) ? ' ' : Alphabet[Pick(Alphabet.size())]);
    return text;
  }

  // Unique whatever the registry's case folding: the index comes first.
  std::string KeyName(int index) {
    static const char* const Prefixes[] = {"", "", "", "KB", "kb", "Microsoft Security Patch", "XKB"};
    std::string name = Prefixes[Pick(7)] + std::to_string(index) + "-";
    return name + Text(Pick(Chance(10) ? 255 - name.size() : 30));
  }

  WrittenValue Value(bool iconShaped) {
    WrittenValue value;
    value.Type = Types[Pick(sizeof Types / sizeof Types[0])];
    if (iconShaped && Chance(2)) {
      value.Type = REG_SZ;
      value.Bytes = IconText() + '\0';
      return value;
    }
    size_t size = Chance(5) ? Pick(5) : Chance(500) ? 1 + Pick(1 << 20) : Pick(300);
    if (value.Type == REG_DWORD && Chance(2)) size = 4;
    value.Bytes = Text(size);
    for (char& byte : value.Bytes)
      if (Chance(20)) byte = '\0';
    if (Chance(2)) value.Bytes += '\0';
    return value;
  }

  std::string IconText() {
    static const char* const Files[] = {"C:\\windows\\notepad.exe", "C:\\windows\\regedit.exe", "C:\\nothing.exe", "",
                                        "\"C:\\windows\\notepad.exe\"", "%SystemRoot%\\notepad.exe", "C:\\a,b.exe"};
    static const char* const Numbers[] = {"", ",", ",0", ",1", ",-1", ", 2 ", ",2x", ",99999", ",-2147483648",
                                          ",2147483647", ",,", ", "};
    return std::string(Files[Pick(7)]) + Numbers[Pick(12)] + (Chance(5) ? Text(Pick(10)) : "");
  }

  WrittenValue UsageValue() {
    WrittenValue value;
    value.Type = Chance(10) ? REG_SZ : REG_BINARY;
    const size_t size = Chance(3) ? 552 : Pick(700);
    for (size_t i = 0; i < size; ++i) value.Bytes.push_back(static_cast<char>(Chance(3) ? 0 : Random()));
    return value;
  }

  std::mt19937 Random;
  std::string Alphabet;
};

void Write(const Registration& registration) {
  const std::string key = UninstallPath + registration.KeyName;
  RegistrySandbox::CreateKey(registration.Root, key);
  for (const auto& value : registration.Values)
    RegistrySandbox::WriteValue(registration.Root, key, value.first, value.second.Type, value.second.Bytes);
  if (registration.HasUsageValue)
    RegistrySandbox::WriteValue(registration.Root, ArpCachePath + registration.KeyName, "SlowInfoCache",
                                registration.Usage.Type, registration.Usage.Bytes);
}

// The model: what the scan must make of a registration, written without the program's code.
struct Expected {
  std::string KeyName, DisplayName, QuietDisplayName, UninstallString, Publisher, DisplayIcon;
  uint32_t EstimatedSize = 0;
  int32_t WindowsInstaller = 0;
  int32_t HasUsageData = 0;
  int64_t ProgramSize = 0;
  int32_t UseCount = 0;
};

// Reads find a value whatever the case of its name; only the test for an uninstall value is exact.
const WrittenValue* FindValue(const Registration& registration, const char* name) {
  for (const auto& value : registration.Values)
    if (lstrcmpiA(value.first.c_str(), name) == 0) return &value.second;
  return nullptr;
}

std::string ExpectedString(const Registration& registration, const char* name) {
  const WrittenValue* found = FindValue(registration, name);
  if (!found) return "";
  const WrittenValue& value = *found;
  if (value.Type != REG_SZ && value.Type != REG_EXPAND_SZ) return "";
  return value.Bytes.substr(0, value.Bytes.find('\0'));
}

uint32_t ExpectedDword(const Registration& registration, const char* name) {
  const WrittenValue* found = FindValue(registration, name);
  if (!found || found->Type != REG_DWORD || found->Bytes.size() > 4) return 0;
  uint32_t value = 0;
  for (size_t i = 0; i < found->Bytes.size(); ++i)
    value |= static_cast<uint32_t>(static_cast<unsigned char>(found->Bytes[i])) << (8 * i);
  return value;
}

uint64_t LittleEndian(const std::string& record, size_t offset, size_t size) {
  uint64_t value = 0;
  for (size_t i = 0; i < size; ++i) value |= static_cast<uint64_t>(static_cast<unsigned char>(record[offset + i])) << (8 * i);
  return value;
}

bool Listed(const Registration& registration, bool showSystem, const std::string& search, Expected& expected) {
  const std::string& key = registration.KeyName;
  if (!showSystem && (key.rfind("KB", 0) == 0 || key.rfind("Microsoft Security Patch", 0) == 0)) return false;
  if (!registration.Values.count("UninstallString") && !registration.Values.count("QuietUninstallString")) return false;
  expected.KeyName = key;
  expected.DisplayName = ExpectedString(registration, "DisplayName");
  expected.QuietDisplayName = ExpectedString(registration, "QuietDisplayName");
  std::string searched = expected.DisplayName + expected.QuietDisplayName;
  if (searched.empty()) searched = key;
  auto upper = [](std::string text) {
    for (char& c : text)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return text;
  };
  if (!search.empty() && upper(searched).find(upper(search)) == std::string::npos) return false;
  expected.UninstallString = ExpectedString(registration, "UninstallString");
  expected.Publisher = ExpectedString(registration, "Publisher");
  expected.DisplayIcon = ExpectedString(registration, "DisplayIcon");
  expected.EstimatedSize = ExpectedDword(registration, "EstimatedSize");
  expected.WindowsInstaller = ExpectedDword(registration, "WindowsInstaller") == 1;
  const WrittenValue& usage = registration.Usage;
  if (registration.HasUsageValue && usage.Type == REG_BINARY && !usage.Bytes.empty() && usage.Bytes.size() <= 552) {
    const std::string record = usage.Bytes + std::string(552 - usage.Bytes.size(), '\0');
    expected.HasUsageData = 1;
    expected.ProgramSize = static_cast<int64_t>(LittleEndian(record, 8, 8));
    expected.UseCount = static_cast<int32_t>(LittleEndian(record, 24, 4));
  }
  return true;
}

// The key names of root in the registry's own enumeration order, read with the bare API.
std::vector<std::string> EnumerationOrder(HKEY root) {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, UninstallPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  char name[512];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  RegCloseKey(key);
  return names;
}

std::vector<Expected> Model(const std::vector<Registration>& written, bool showSystem, const std::string& search) {
  std::map<std::pair<HKEY, std::string>, const Registration*> byKey;
  for (const Registration& registration : written) byKey[{registration.Root, registration.KeyName}] = &registration;
  std::vector<Expected> expected;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    for (const std::string& name : EnumerationOrder(root)) {
      Expected entry;
      const auto found = byKey.find({root, name});
      if (found != byKey.end() && Listed(*found->second, showSystem, search, entry)) expected.push_back(entry);
    }
  return expected;
}

void ExpectInventoryIs(const std::vector<Expected>& expected) {
  ASSERT_EQ(expected.size(), ProgramInventory.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const ProgramEntry& actual = ProgramInventory[i];
    const Expected& wanted = expected[i];
    SCOPED_TRACE("entry " + std::to_string(i) + ": " + wanted.KeyName);
    EXPECT_EQ(wanted.KeyName, actual.KeyName);
    EXPECT_EQ(wanted.DisplayName, actual.DisplayName);
    EXPECT_EQ(wanted.QuietDisplayName, actual.QuietDisplayName);
    EXPECT_EQ(wanted.UninstallString, actual.UninstallString);
    EXPECT_EQ(wanted.Publisher, actual.Publisher);
    EXPECT_EQ(wanted.DisplayIcon, actual.DisplayIcon);
    EXPECT_EQ(wanted.EstimatedSize, actual.EstimatedSize);
    EXPECT_EQ(wanted.WindowsInstaller, actual.WindowsInstaller);
    EXPECT_EQ(wanted.HasUsageData, actual.HasUsageData);
    EXPECT_EQ(wanted.ProgramSize, actual.ProgramSize);
    EXPECT_EQ(wanted.UseCount, actual.UseCount);
  }
}

using ScanFuzzTest = AppTest;

TEST_F(ScanFuzzTest, RandomRegistrationsAreListedExactlyAsTheRulesSay) {
  const unsigned seed = static_cast<unsigned>(EnvironmentNumber("QUILLMERE_FUZZ_SEED", 1));
  const int count = EnvironmentNumber("QUILLMERE_FUZZ_REGISTRATIONS", 400);
  SCOPED_TRACE("seed " + std::to_string(seed));
  Generator generate(seed);
  std::vector<Registration> written;
  for (int i = 0; i < count; ++i) {
    written.push_back(generate.Next(i));
    Write(written.back());
  }
  AppSettings.ShowFrequencyColumn = AppSettings.ShowLastUsedColumn = 1;
  StartUp();

  for (int round = 0; round < 6; ++round) {
    const bool showSystem = generate.Chance(2);
    const std::string search = round == 0 ? "" : generate.SearchText(written);
    SCOPED_TRACE("round " + std::to_string(round) + " search [" + search + "]");
    AppSettings.ShowSystemComponents = showSystem;
    SearchEdit.SetText(search);
    KillTimer(MainWindow.GetHandle(), 0);
    Scan();

    ExpectInventoryIs(Model(written, showSystem, search));
    EXPECT_EQ(ProgramInventory.size(), ListTitles().size());
    for (int selection = 0; selection < 10 && !ProgramInventory.empty(); ++selection) {
      const int item = static_cast<int>(generate.Pick(ProgramInventory.size()));
      Select(item);
      const auto* entry = reinterpret_cast<const ProgramEntry*>(ProgramList.GetItemParam(item));
      ASSERT_NE(nullptr, entry);
      const std::string title = Title(*entry).substr(0, 1000);  // what the controls are read back with
      EXPECT_EQ(title, DetailsTitle.GetText().substr(0, 1000));
      EXPECT_EQ(title, CellText(item, 0).substr(0, 1000));
    }
  }
  EXPECT_TRUE(Boxes.Texts().empty()) << ::testing::PrintToString(Boxes.Texts());
}

}  // namespace
