#include "registry/AsciiCase.h"

namespace {

unsigned char UpperAscii(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

}  // namespace

std::string UpperCaseAscii(std::string text) {
  for (char& c : text) c = static_cast<char>(UpperAscii(c));
  return text;
}

int CompareIgnoringAsciiCase(const std::string& first, const std::string& second) {
  const size_t common = first.size() < second.size() ? first.size() : second.size();
  for (size_t i = 0; i < common; ++i) {
    const unsigned char a = UpperAscii(first[i]), b = UpperAscii(second[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  return (first.size() > second.size()) - (first.size() < second.size());
}
