// Random registrations of every shape, scanned, listed and shown in the details pane: nothing
// crashes, no message box appears, and the inventory equals a model of the rules written here.
// Seeded and bounded; QUILLMERE_FUZZ_REGISTRATIONS and QUILLMERE_FUZZ_SEED scale it.
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <random>

#include "actions/Scan.h"
#include "actions/Settings.h"
#include "actions/WindowObjects.h"
#include "inventory/ProgramEntry.h"
#include "support/AppSession.h"

namespace {

#define FIELD(name) \
  { #name, &ProgramEntry::name }
const std::pair<const char*, std::string ProgramEntry::*> StringFields[] = {
    FIELD(DisplayName),    FIELD(QuietDisplayName), FIELD(UninstallString), FIELD(QuietUninstallString),
    FIELD(DisplayVersion), FIELD(Publisher),        FIELD(HelpLink),        FIELD(Comments),
    FIELD(DisplayIcon)};
#undef FIELD
const DWORD Types[] = {REG_SZ,    REG_SZ,   REG_EXPAND_SZ,        REG_DWORD, REG_DWORD, REG_BINARY, REG_MULTI_SZ,
                       REG_QWORD, REG_NONE, REG_DWORD_BIG_ENDIAN, 0x1234};

int Setting(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value && *value ? std::atoi(value) : fallback;
}

struct Value {
  DWORD Type;
  std::string Bytes;
};

struct Registration {
  HKEY Root;
  std::string KeyName;
  std::map<std::string, Value> Values;  // by the exact name written
  Value Usage;                          // the usage-cache record; none if REG_NONE
};

std::mt19937 Random;
std::string Alphabet;  // the bytes that survive the registry's conversion to UTF-16 and back

size_t Pick(size_t count) { return count == 0 ? 0 : Random() % count; }
bool Chance(int oneIn) { return Random() % oneIn == 0; }

std::string Text(size_t length) {
  std::string text;
  while (text.size() < length) text += Chance(4) ? ' ' : Alphabet[Pick(Alphabet.size())];
  return text;
}

// Empty, small or up to 1 MB, with NULs inside, ending with one or not.
Value Data() {
  Value value{Types[Pick(sizeof Types / sizeof Types[0])], ""};
  size_t size = Chance(5) ? Pick(5) : Chance(500) ? 1 + Pick(1 << 20) : Pick(300);
  if (value.Type == REG_DWORD && Chance(2)) size = 4;
  value.Bytes = Text(size);
  for (char& byte : value.Bytes)
    if (Chance(20)) byte = '\0';
  if (Chance(2)) value.Bytes += '\0';
  return value;
}

Value Icon() {
  static const char* const Files[] = {
      "C:\\windows\\notepad.exe",     "C:\\windows\\regedit.exe",  "C:\\nothing.exe", "",
      "\"C:\\windows\\notepad.exe\"", "%SystemRoot%\\notepad.exe", "C:\\a,b.exe"};
  static const char* const Numbers[] = {"",    ",",      ",0",           ",1",          ",-1", ", 2 ",
                                        ",2x", ",99999", ",-2147483648", ",2147483647", ",,",  ", "};
  return {REG_SZ, Files[Pick(7)] + std::string(Numbers[Pick(12)]) + (Chance(5) ? Text(Pick(10)) : "") + '\0'};
}

// A random registration, written to the registry.
Registration Written(size_t index) {
  static const char* const Prefixes[] = {"", "", "", "KB", "kb", "Microsoft Security Patch", "XKB"};
  // Unique whatever the registry's case folding: the index comes first.
  Registration made{Chance(3) ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                    Prefixes[Pick(7)] + std::to_string(index) + "-",
                    {},
                    {REG_NONE, ""}};
  made.KeyName += Text(Pick(Chance(10) ? 255 - made.KeyName.size() : 30));
  for (const auto& field : StringFields)
    if (Chance(2)) made.Values[field.first] = field.second == &ProgramEntry::DisplayIcon && Chance(2) ? Icon() : Data();
  for (const char* name : {"EstimatedSize", "WindowsInstaller", "uninstallstring"})  // the last in the wrong case
    if (Chance(2)) made.Values[name] = Data();
  if (made.Values.count("UninstallString")) made.Values.erase("uninstallstring");  // the registry would keep one
  RegistrySandbox::CreateKey(made.Root, UninstallPath + made.KeyName);
  for (const auto& [name, value] : made.Values)
    RegistrySandbox::WriteValue(made.Root, UninstallPath + made.KeyName, name, value.Type, value.Bytes);
  if (Chance(4)) {
    made.Usage.Type = Chance(10) ? REG_SZ : REG_BINARY;
    for (size_t i = 0, size = Chance(3) ? 552 : Pick(700); i < size; ++i)
      made.Usage.Bytes += static_cast<char>(Chance(3) ? 0 : Random());
    RegistrySandbox::WriteValue(made.Root, ArpCachePath + made.KeyName, "SlowInfoCache", made.Usage.Type,
                                made.Usage.Bytes);
  }
  return made;
}

std::string SearchText(const std::vector<Registration>& written) {
  if (Chance(4)) return Text(1 + Pick(3));
  const std::string& name = written[Pick(written.size())].KeyName;
  std::string text = name.substr(Pick(name.size()), 1 + Pick(6));
  if (Chance(2)) CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

// The model: what the scan must make of a registration, written without the program's code.
// Reads find a value whatever the case of its name; only the test for an uninstall value is exact.
std::string DataOf(const Registration& registration, const char* name, std::initializer_list<DWORD> types) {
  for (const auto& value : registration.Values)
    if (lstrcmpiA(value.first.c_str(), name) == 0 && std::count(types.begin(), types.end(), value.second.Type))
      return value.second.Bytes;
  return "";
}

uint64_t LittleEndian(const std::string& bytes, size_t offset, size_t size) {
  uint64_t value = 0;
  for (size_t i = 0; i < size; ++i) value |= uint64_t{static_cast<unsigned char>(bytes[offset + i])} << (8 * i);
  return value;
}

bool Listed(const Registration& written, bool showSystem, const std::string& search, ProgramEntry& entry) {
  const std::string& key = written.KeyName;
  if (!showSystem && (key.rfind("KB", 0) == 0 || key.rfind("Microsoft Security Patch", 0) == 0)) return false;
  if (!written.Values.count("UninstallString") && !written.Values.count("QuietUninstallString")) return false;
  entry.KeyName = key;
  entry.Root = written.Root;
  for (const auto& field : StringFields) {
    const std::string text = DataOf(written, field.first, {REG_SZ, REG_EXPAND_SZ});
    entry.*field.second = text.substr(0, text.find('\0'));
  }
  const auto upper = [](std::string text) {
    for (char& c : text) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    return text;
  };
  const std::string searched = entry.DisplayName + entry.QuietDisplayName;
  if (upper(searched.empty() ? key : searched).find(upper(search)) == std::string::npos) return false;
  const auto dword = [&](const char* name) {
    const std::string data = DataOf(written, name, {REG_DWORD});
    return data.size() > 4 ? 0 : static_cast<uint32_t>(LittleEndian(data + std::string(4, '\0'), 0, 4));
  };
  entry.EstimatedSize = dword("EstimatedSize");
  entry.WindowsInstaller = dword("WindowsInstaller") == 1;
  const std::string usage = written.Usage.Bytes + std::string(552, '\0');
  if (written.Usage.Type == REG_BINARY && usage.size() > 552 && usage.size() <= 1104) {
    entry.HasUsageData = 1;
    entry.ProgramSize = static_cast<int64_t>(LittleEndian(usage, 8, 8));
    entry.UseCount = static_cast<int32_t>(LittleEndian(usage, 24, 4));
  }
  return true;
}

// The listed entries in the registry's own enumeration order, read with the bare API.
std::vector<ProgramEntry> Model(const std::vector<Registration>& written, bool showSystem, const std::string& search) {
  std::vector<ProgramEntry> expected;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    HKEY key = nullptr;
    RegOpenKeyExA(root, UninstallPath, 0, KEY_READ, &key);
    char name[512];
    for (DWORD index = 0, length = sizeof name;
         RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++index, length = sizeof name) {
      ProgramEntry entry;
      for (const Registration& registration : written)
        if (registration.Root == root && registration.KeyName == std::string(name, length) &&
            Listed(registration, showSystem, search, entry))
          expected.push_back(entry);
    }
    RegCloseKey(key);
  }
  return expected;
}

std::vector<std::string> Fields(const ProgramEntry& entry) {
  std::vector<std::string> fields = {entry.KeyName, std::to_string(reinterpret_cast<uintptr_t>(entry.Root))};
  for (int64_t number : std::initializer_list<int64_t>{entry.EstimatedSize, entry.WindowsInstaller, entry.HasUsageData,
                                                       entry.ProgramSize, entry.UseCount})
    fields.push_back(std::to_string(number));
  for (const auto& field : StringFields) fields.push_back(entry.*field.second);
  return fields;
}

using ScanFuzzTest = AppTest;

TEST_F(ScanFuzzTest, RandomRegistrationsAreListedExactlyAsTheRulesSay) {
  const unsigned seed = static_cast<unsigned>(Setting("QUILLMERE_FUZZ_SEED", 1));
  Random.seed(seed);
  // Not the small tilde (U+02DC): an edit control of 64-bit Wine 8 dies where it starts a run of
  // text, as after a digit or a punctuation mark (its text shaping reads 8 GB past its glyphs).
  for (int byte = 0x20; byte < 0x100; ++byte) {
    char text = static_cast<char>(byte), back = 0;
    wchar_t wide = 0;
    if (byte != '\\' && MultiByteToWideChar(CP_ACP, 0, &text, 1, &wide, 1) == 1 && wide != 0x02DC &&
        WideCharToMultiByte(CP_ACP, 0, &wide, 1, &back, 1, nullptr, nullptr) == 1 && back == text)
      Alphabet += text;
  }
  std::vector<Registration> written(static_cast<size_t>(Setting("QUILLMERE_FUZZ_REGISTRATIONS", 400)));
  for (size_t i = 0; i < written.size(); ++i) written[i] = Written(i);
  AppSettings.ShowFrequencyColumn = AppSettings.ShowLastUsedColumn = 1;
  StartUp();

  for (int round = 0; round < 6; ++round) {
    AppSettings.ShowSystemComponents = Chance(2);
    const std::string search = round == 0 ? "" : SearchText(written);
    SCOPED_TRACE("seed " + std::to_string(seed) + " round " + std::to_string(round) + " search [" + search + "]");
    SearchEdit.SetText(search);
    KillTimer(MainWindow.GetHandle(), 0);
    RequestScan();

    const std::vector<ProgramEntry> expected = Model(written, AppSettings.ShowSystemComponents, search);
    ASSERT_EQ(expected.size(), ProgramInventory.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(Fields(expected[i]), Fields(ProgramInventory[i])) << i;
    EXPECT_EQ(ProgramInventory.size(), ListTitles().size());
    for (int selection = 0; selection < 10 && !ProgramInventory.empty(); ++selection) {
      const int item = static_cast<int>(Pick(ProgramInventory.size()));
      Select(item);
      const auto& entry = *reinterpret_cast<const ProgramEntry*>(ProgramList.GetItemParam(item));
      const std::string title = Title(entry).substr(0, 1000);  // what the controls are read back with
      EXPECT_EQ(title + "|" + title, DetailsTitle.GetText().substr(0, 1000) + "|" + CellText(item, 0).substr(0, 1000));
    }
  }
  EXPECT_TRUE(Boxes.Texts().empty()) << ::testing::PrintToString(Boxes.Texts());
}

}  // namespace
