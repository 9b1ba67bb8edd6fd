#include "registry/RegistryKey.h"

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <utility>

#include "registry/ValueNames.h"

namespace {

void ReportError(const char* text) { MessageBoxA(nullptr, text, "", MB_ICONERROR); }

const char* const ReadFailedText = "Error while retreiving a registry value";

// A key name has at most 255 UTF-16 code units, each of which takes at most 3 bytes in UTF-8.
const DWORD KeyNameRoom = 255 * 3 + 1;

enum class QueryResult { Missing, Read, TooLarge, Failed };

// Asks for a value's type and size, and for its data when that fits the buffer: most values
// take one registry call instead of two. When the data does not fit, size is what it needs.
QueryResult QueryValue(HKEY key, const std::string& name, DWORD& type, void* buffer, DWORD& size) {
  switch (RegQueryValueExA(key, name.c_str(), nullptr, &type, static_cast<BYTE*>(buffer), &size)) {
    case ERROR_SUCCESS: return QueryResult::Read;
    case ERROR_MORE_DATA: return QueryResult::TooLarge;
    case ERROR_FILE_NOT_FOUND: return QueryResult::Missing;
    default: return QueryResult::Failed;
  }
}

// Sets failed when the query failed for another reason than a missing value.
QueryResult Noted(QueryResult result, bool& failed) {
  if (result == QueryResult::Failed) failed = true;
  return result;
}

bool IsString(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// The most that a value's data may hold: a registry value of the standard format holds at most
// 1 MB; its ANSI text takes at most 3 bytes for 2 of UTF-16.
const DWORD LargestText = 3 * 1024 * 1024 / 2;

// Reads a string value's data into text, whose size is what the registry reported. Under UTF-8
// as the ANSI code page the text can need more than the registry first reported: it is read
// again with more room while the registry says that it does not fit.
bool ReadText(HKEY key, const std::string& name, std::string& text) {
  for (;;) {
    DWORD size = static_cast<DWORD>(text.size());
    const LONG result = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&text[0]), &size);
    if (result == ERROR_SUCCESS) return text.resize(size), true;
    if (result != ERROR_MORE_DATA || text.size() >= LargestText) return false;
    text.resize(std::min<size_t>(LargestText, std::max<size_t>(size, 2 * text.size())));
  }
}

// The key's path in the registry's own namespace (\REGISTRY\MACHINE\...), or "" where the
// system does not tell it.
std::wstring RegistryPath(HKEY key) {
  using QueryKey = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  auto queryKey =
      reinterpret_cast<QueryKey>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryKey")));
  const int KeyNameInformation = 3;
  std::vector<ULONG> name(1 + 32768 / 2);  // its length in bytes, then up to 32767 characters
  ULONG size = 0;
  if (!queryKey ||
      queryKey(key, KeyNameInformation, name.data(), static_cast<ULONG>(name.size() * sizeof(ULONG)), &size) != 0)
    return L"";
  return std::wstring(reinterpret_cast<const wchar_t*>(&name[1]), name[0] / sizeof(wchar_t));
}

}  // namespace

CRegistryKey::~CRegistryKey() { Close(); }

CRegistryKey::CRegistryKey(CRegistryKey&& other) noexcept { *this = std::move(other); }

CRegistryKey& CRegistryKey::operator=(CRegistryKey&& other) noexcept {
  if (this == &other) return *this;
  Close();
  Handle = std::exchange(other.Handle, nullptr);
  ReadFailed = std::exchange(other.ReadFailed, false);
  SubKeyCount = std::exchange(other.SubKeyCount, 0);
  SubKeyNames = std::move(other.SubKeyNames);
  SubKeyWriteTimes = std::move(other.SubKeyWriteTimes);
  return *this;
}

bool CRegistryKey::Open(HKEY root, const std::string& path, REGSAM access) {
  Close();
  HKEY opened = nullptr;
  LastError = RegOpenKeyExA(root, path.c_str(), 0, access, &opened);
  if (LastError != ERROR_SUCCESS) return false;
  Handle = opened;
  ReadFailed = false;
  return true;
}

bool CRegistryKey::Close() {
  if (!Handle) return false;
  const LONG result = RegCloseKey(std::exchange(Handle, nullptr));
  return result == ERROR_SUCCESS;
}

bool CRegistryKey::IsInWow6432Node() const {
  std::wstring path = RegistryPath(Handle);
  if (path.empty()) return true;
  for (wchar_t& c : path) c = static_cast<wchar_t>(towupper(c));
  return path.find(L"\\WOW6432NODE\\") != std::wstring::npos;
}

std::string CRegistryKey::GetStringValue(const std::string& name, DWORD* valueType) {
  if (!Handle) {
    ReportError("GetStringValue called on a closed CRegistryKey");
    return "";
  }
  char shortText[256];
  DWORD type = 0, size = sizeof shortText;
  const QueryResult query = Noted(QueryValue(Handle, name, type, shortText, size), ReadFailed);
  if (query == QueryResult::Missing || query == QueryResult::Failed || !IsString(type) || size == 0) return "";
  if (valueType) *valueType = type;
  std::string data(size, '\0');
  if (query == QueryResult::Read) {
    data.assign(shortText, size);
  } else if (!ReadText(Handle, name, data)) {
    ReadFailed = true;
    if (!Quiet) ReportError(ReadFailedText);
    return "";
  }
  size_t end = data.find('\0');
  if (end != std::string::npos) data.resize(end);
  return data;
}

uint32_t CRegistryKey::GetDWordValue(const std::string& name) {
  if (!Handle) {
    ReportError("GetDWordValue called on a closed CRegistryKey");
    return 0;
  }
  // A value of more than 4 bytes does not fit and gives 0, as a value of another type does.
  uint32_t value = 0;
  DWORD type = 0, size = sizeof value;
  if (Noted(QueryValue(Handle, name, type, &value, size), ReadFailed) != QueryResult::Read || type != REG_DWORD)
    return 0;
  return value;
}

bool CRegistryKey::GetBinaryValue(const std::string& name, void* buffer, size_t capacity) {
  if (!Handle) {
    ReportError("GetBinaryValue called on a closed CRegistryKey");
    return false;
  }
  // One call reads a value that fits; a larger one is refused by its size alone. The data goes to
  // the caller's buffer only once accepted.
  std::vector<unsigned char> data(capacity + 1);
  DWORD type = 0, size = static_cast<DWORD>(capacity);
  if (Noted(QueryValue(Handle, name, type, data.data(), size), ReadFailed) != QueryResult::Read || type != REG_BINARY ||
      size == 0 || size > capacity)
    return false;
  memcpy(buffer, data.data(), size);
  return true;
}

bool CRegistryKey::HasValue(const std::string& name) { return Handle && HasValueNamed(Handle, name, ReadFailed); }

void CRegistryKey::EnumerateSubKeys() {
  if (!Handle) return;
  SubKeyNames.clear();
  SubKeyWriteTimes.clear();
  DWORD counted = 0;
  RegQueryInfoKeyA(Handle, nullptr, nullptr, nullptr, &counted, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr);
  char keyName[KeyNameRoom];
  // An index that fails is skipped: the walk ends at "no more items", or at the first failure
  // past the subkeys counted before it began, so that it ends even when every index fails.
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof keyName;
    FILETIME written = {};
    const LONG result = RegEnumKeyExA(Handle, index, keyName, &length, nullptr, nullptr, nullptr, &written);
    if (result != ERROR_SUCCESS && result != ERROR_NO_MORE_ITEMS) ReadFailed = true;
    if (result == ERROR_NO_MORE_ITEMS || (result != ERROR_SUCCESS && index >= counted)) break;
    if (result != ERROR_SUCCESS) continue;
    SubKeyNames.emplace_back(keyName, length);
    SubKeyWriteTimes.push_back(written);
  }
  SubKeyCount = static_cast<uint32_t>(SubKeyNames.size());
}
