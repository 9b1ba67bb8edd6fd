#include <fstream>
#include <gtest/gtest.h>
#include <process.h>

#include "registry/KeyTree.h"
#include "support/AppSession.h"

namespace {

using Bytes = std::vector<uint8_t>;
using RegFileTest = RegistryTest;

// The characters and the NUL that ends them, as a string value holds them.
Bytes Sz(const std::u16string& text) {
  Bytes bytes;
  for (char16_t c : text + u'\0')
    bytes.insert(bytes.end(), {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>(c >> 8)});
  return bytes;
}

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

// Every kind of value that a registration may hold.
RegKeyTree Registration() {
  Bytes counting(100);
  for (size_t i = 0; i < counting.size(); ++i) counting[i] = static_cast<uint8_t>(i * 7);
  return {u"Odd \"program\"",
          {{u"", 1, Sz(u"default")},
           {u"Quote \"and\" back\\slash", 1, Sz(u"C:\\Program Files\\\"X\"\\x.exe")},
           {u"Line breaks", 1, Sz(u"first\r\nsecond\n")},
           {u"\u685c \u03a9 \u0416", 1, Sz(u"\u540d\u524d \U0001D11E")},
           {u"Empty", 1, {}},
           {u"Expand", 2, Sz(u"%SystemRoot%\\x.exe")},
           {u"Multi", 7, Sz(std::u16string(u"one\0two\0", 8))},
           {u"Qword", 11, {1, 2, 3, 4, 5, 6, 7, 0x80}},
           {u"Binary", 3, counting},
           {u"None", 0, {0xFF, 0}},
           {u"Short dword", 4, {1, 2, 3}},
           {u"Dword", 4, {0x78, 0x56, 0x34, 0x12}},
           {u"Unusual type", 0x12345, {9, 8}}},
          {{u"Sub]key", {{u"Inner", 4, {1, 0, 0, 0}}}, {{u"Empty below", {}, {}}}}}};
}

void ExpectSameTree(const RegKeyTree& expected, const RegKeyTree& actual, const std::string& where) {
  ASSERT_EQ(expected.Values.size(), actual.Values.size()) << "values of " << where;
  for (const RegValue& value : expected.Values) {
    const std::string name = where + " value \"" + Narrow(value.Name) + "\"";
    auto found = std::find_if(actual.Values.begin(), actual.Values.end(),
                              [&](const RegValue& other) { return other.Name == value.Name; });
    ASSERT_NE(found, actual.Values.end()) << name << " is missing";
    EXPECT_EQ(value.Type, found->Type) << "type of " << name;
    EXPECT_EQ(value.Data, found->Data) << "bytes of " << name;
  }
  ASSERT_EQ(expected.SubKeys.size(), actual.SubKeys.size()) << "subkeys of " << where;
  for (size_t i = 0; i < expected.SubKeys.size(); ++i) {
    EXPECT_EQ(Narrow(expected.SubKeys[i].Name), Narrow(actual.SubKeys[i].Name)) << "subkey of " << where;
    ExpectSameTree(expected.SubKeys[i], actual.SubKeys[i], where + "\\" + Narrow(expected.SubKeys[i].Name));
  }
}

TEST_F(RegFileTest, AKeyWrittenAsRegFileReadsBackByteForByteThroughTheSystemsImport) {
  const RegKeyTree original = Registration();
  ASSERT_EQ(ERROR_SUCCESS, WriteKeyTree(HKEY_CURRENT_USER, L"", original, 0));
  EXPECT_EQ(ERROR_ALREADY_EXISTS, WriteKeyTree(HKEY_CURRENT_USER, L"", original, 0))
      << "an existing key is overwritten";
  RegKeyTree read;
  ASSERT_EQ(ERROR_SUCCESS, ReadKeyTree(HKEY_CURRENT_USER, L"", L"Odd \"program\"", 0, read));
  ExpectSameTree(original, read, "the key read back");

  const std::string importedPath = Registry.RealPath(HKEY_CURRENT_USER) + "\\Imported";
  const std::u16string text = u"\xFEFF" + RegFileText(std::u16string(importedPath.begin(), importedPath.end()), read);
  wchar_t file[MAX_PATH];
  GetTempPathW(MAX_PATH, file);
  wcscat(file, L"quillmere-test.reg");
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  EXPECT_EQ(0,
            _wspawnlp(_P_WAIT, L"reg.exe", L"reg.exe", L"import", (L'"' + std::wstring(file) + L'"').c_str(), nullptr))
      << "reg import";
  DeleteFileW(file);

  RegKeyTree imported;
  ASSERT_EQ(ERROR_SUCCESS, ReadKeyTree(HKEY_CURRENT_USER, L"", L"Imported", 0, imported));
  ExpectSameTree(original, imported, "the imported key");
}

}  // namespace
