#include "registry/RegFile.h"

namespace {

const uint32_t TypeString = 1, TypeBinary = 3, TypeDWord = 4;
const size_t HexLineWidth = 76;
const char16_t* const LineEnd = u"\r\n";

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::u16string Quoted(const std::u16string& text) {
  std::u16string quoted = u"\"";
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') quoted += u'\\';
    quoted += c;
  }
  return quoted + u"\"";
}

std::u16string ValueName(const RegValue& value) { return value.Name.empty() ? u"@" : Quoted(value.Name); }

std::string HexDigits(uint32_t number, int minimumDigits) {
  std::string digits;
  for (int shift = 28; shift >= 0; shift -= 4) {
    const unsigned digit = (number >> shift) & 0xF;
    if (!digits.empty() || digit != 0 || shift < 4 * minimumDigits) digits += "0123456789abcdef"[digit];
  }
  return digits;
}

// The characters of a REG_SZ value that reads back from "text" as the same bytes: one that ends
// with its only NUL and holds no line break, which a line of the file could not keep.
bool AsPlainText(const RegValue& value, std::u16string& text) {
  const size_t size = value.Data.size();
  if (value.Type != TypeString || size < 2 || size % 2 != 0) return false;
  text.clear();
  for (size_t i = 0; i + 2 < size; i += 2) {
    const char16_t c = static_cast<char16_t>(value.Data[i] | value.Data[i + 1] << 8);
    if (c == u'\0' || c == u'\r' || c == u'\n') return false;
    text += c;
  }
  return value.Data[size - 2] == 0 && value.Data[size - 1] == 0;
}

std::u16string HexType(uint32_t type) {
  return type == TypeBinary ? u"hex:" : u"hex(" + Ascii(HexDigits(type, 1)) + u"):";
}

// hex:01,02,... wrapped as Registry Editor wraps it, with a backslash at the end of a full line.
std::u16string HexData(std::u16string line, const std::vector<uint8_t>& data) {
  std::u16string text;
  for (size_t i = 0; i < data.size(); ++i) {
    line += Ascii(HexDigits(data[i], 2));
    if (i + 1 == data.size()) break;
    line += u',';
    if (line.size() >= HexLineWidth) {
      text += line + u"\\" + LineEnd;
      line = u"  ";
    }
  }
  return text + line;
}

std::u16string ValueLine(const RegValue& value) {
  const std::u16string name = ValueName(value) + u"=";
  std::u16string text;
  if (AsPlainText(value, text)) return name + Quoted(text);
  if (value.Type == TypeDWord && value.Data.size() == 4) {
    const uint32_t number = value.Data[0] | value.Data[1] << 8 | value.Data[2] << 16 | uint32_t{value.Data[3]} << 24;
    return name + u"dword:" + Ascii(HexDigits(number, 8));
  }
  return HexData(name + HexType(value.Type), value.Data);
}

void AppendKey(std::u16string& text, const std::u16string& path, const RegKeyTree& key) {
  text += u"[" + path + u"]" + LineEnd;
  for (const RegValue& value : key.Values) text += ValueLine(value) + LineEnd;
  text += LineEnd;
  for (const RegKeyTree& subKey : key.SubKeys) AppendKey(text, path + u"\\" + subKey.Name, subKey);
}

}  // namespace

std::u16string RegFileText(const std::u16string& path, const RegKeyTree& tree) {
  std::u16string text = std::u16string(u"Windows Registry Editor Version 5.00") + LineEnd + LineEnd;
  AppendKey(text, path, tree);
  return text;
}
