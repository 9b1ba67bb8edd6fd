#include "registry/ValueNames.h"

#include <atomic>
#include <vector>

#include "registry/AsciiCase.h"

namespace {

// Room for a value name: a name that does not fit is longer than any that the program asks for.
const DWORD ValueNameRoom = 0x4000;

// Where a value of a name was last found, by a hash of the name, for every thread. Registrations
// written by one installer hold the same values in the same order: a value is most often found by
// one registry call at the place where it was in the key read before. A place is only ever a
// guess: two names of one hash share theirs.
std::atomic<DWORD> FoundPlaces[16];

std::atomic<DWORD>& FoundPlace(const std::string& name) {
  return FoundPlaces[std::hash<std::string>{}(name) % (sizeof FoundPlaces / sizeof FoundPlaces[0])];
}

// Whether the value at index has exactly that name.
bool NamedAt(HKEY key, DWORD index, const std::string& name, std::vector<char>& valueName) {
  DWORD length = ValueNameRoom;
  return RegEnumValueA(key, index, valueName.data(), &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         lstrcmpA(valueName.data(), name.c_str()) == 0;
}

// Whether a binary search over the value indexes, made as if the values were sorted by name as
// a registry that keeps them sorted (Wine's does) orders names of plain ASCII, meets a value of
// exactly that name: a few registry calls where a walk over every value takes
// one each. False says nothing of whether there is one.
bool FoundWhereSorted(HKEY key, const std::string& name, std::vector<char>& valueName, DWORD& place) {
  DWORD count = 0;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                       nullptr) != ERROR_SUCCESS)
    return false;
  DWORD low = 0, high = count;
  while (low < high) {
    const DWORD middle = low + (high - low) / 2;
    DWORD length = ValueNameRoom;
    if (RegEnumValueA(key, middle, valueName.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      return false;
    const int order = CompareIgnoringAsciiCase(valueName.data(), name.c_str());
    if (order == 0) {
      place = middle;
      return lstrcmpA(valueName.data(), name.c_str()) == 0;
    }
    if (order < 0)
      low = middle + 1;
    else
      high = middle;
  }
  return false;
}

}  // namespace

bool HasValueNamed(HKEY key, const std::string& name, bool& readFailed) {
  std::vector<char> valueName(ValueNameRoom);
  std::atomic<DWORD>& lastPlace = FoundPlace(name);
  DWORD place = lastPlace.load(std::memory_order_relaxed);
  if (NamedAt(key, place, name, valueName)) return true;
  if (FoundWhereSorted(key, name, valueName, place)) return lastPlace = place, true;
  for (DWORD index = 0;; ++index) {
    DWORD length = ValueNameRoom;
    const LONG result = RegEnumValueA(key, index, valueName.data(), &length, nullptr, nullptr, nullptr, nullptr);
    // A name that does not fit is longer than any name asked for: it is not that one.
    if (result == ERROR_MORE_DATA) continue;
    if (result != ERROR_SUCCESS) {
      readFailed = result != ERROR_NO_MORE_ITEMS;
      return false;
    }
    if (lstrcmpA(valueName.data(), name.c_str()) == 0) return lastPlace = index, true;
  }
}
