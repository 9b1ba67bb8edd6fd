#include "inventory/StaleRules.h"

#include "inventory/CommandLine.h"
#include "registry/AsciiCase.h"

namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Whether program, a path or a bare name, names msiexec or msiexec.exe.
bool IsMsiexec(const std::string& program) {
  const size_t separator = program.find_last_of("\\/");
  const std::string name = UpperCaseAscii(separator == std::string::npos ? program : program.substr(separator + 1));
  return name == "MSIEXEC" || name == "MSIEXEC.EXE";
}

const size_t ProductCodeLength = 38;

}  // namespace

const char* StatusText(RegistrationStatus status) {
  switch (status) {
    case RegistrationStatus::UninstallerMissing: return "Uninstaller missing";
    case RegistrationStatus::NotInstalled: return "Not installed (Windows Installer)";
    case RegistrationStatus::Fine: break;
  }
  return "";
}

bool IsProductCode(const std::string& text) {
  if (text.size() != ProductCodeLength || text.front() != '{' || text.back() != '}') return false;
  for (size_t i = 1; i + 1 < text.size(); ++i) {
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? text[i] != '-' : !IsHexDigit(text[i])) return false;
  }
  return true;
}

std::string InstallerProductCode(const std::string& keyName, const std::string& command) {
  if (IsProductCode(keyName)) return keyName;
  const CommandSplit split = CommandSplits(command).front();
  if (!IsMsiexec(split.Program)) return "";
  const std::string options = UpperCaseAscii(split.Parameters);
  for (const char* option : {"/X{", "/I{"}) {
    const size_t at = options.find(option);
    if (at == std::string::npos) continue;
    const std::string code = split.Parameters.substr(at + 2, ProductCodeLength);
    if (IsProductCode(code)) return code;
  }
  return "";
}

bool IsSharePath(const std::string& path) { return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]); }

char DriveLetter(const std::string& path) {
  const char letter = UpperCaseAscii(path.substr(0, 1)).c_str()[0];
  return path.size() >= 2 && letter >= 'A' && letter <= 'Z' && path[1] == ':' ? letter : 0;
}
