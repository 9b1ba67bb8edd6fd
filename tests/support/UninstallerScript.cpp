#include "support/UninstallerScript.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace {

std::string UniqueSuffix() {
  static int counter = 0;
  return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

const char* const CopyPrefix = "copy ";

bool IsCopyLine(const std::string& line) { return line.compare(0, std::strlen(CopyPrefix), CopyPrefix) == 0; }

}  // namespace

UninstallerScript::UninstallerScript() {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  RecordFile = std::string(temp) + "quillmere-launches-" + UniqueSuffix() + ".txt";
  std::ofstream(RecordFile, std::ios::binary | std::ios::trunc);
}

UninstallerScript::~UninstallerScript() { DeleteFileA(RecordFile.c_str()); }

std::string UninstallerScript::ExecutablePath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string directory(path);
  directory.erase(directory.find_last_of('\\') + 1);
  return directory + "ScriptedUninstaller.exe";
}

std::string UninstallerScript::CommandLine(const std::string& words) const {
  std::string line = Quoted(ExecutablePath()) + " " + RecordWords();
  if (!words.empty()) line += " " + words;
  return line;
}

std::string UninstallerScript::RecordWords() const { return "--record " + Quoted(RecordFile); }

std::vector<std::string> UninstallerScript::Lines() const {
  std::ifstream in(RecordFile, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> UninstallerScript::Launches() const {
  std::vector<std::string> launches;
  for (const auto& line : Lines())
    if (!IsCopyLine(line)) launches.push_back(line);
  return launches;
}

std::vector<DWORD> UninstallerScript::Copies() const {
  std::vector<DWORD> copies;
  for (const auto& line : Lines())
    if (IsCopyLine(line)) copies.push_back(static_cast<DWORD>(std::stoul(line.substr(std::strlen(CopyPrefix)))));
  return copies;
}

std::string DeleteRegistrationWords(const RegistrySandbox& sandbox, HKEY root, const std::string& keyName) {
  return "--delete-key " + Quoted(sandbox.ScratchPath(root) + "\\" + UninstallPath + keyName);
}

NamedEvent::NamedEvent() : EventName("QuillmereTestEvent-" + UniqueSuffix()) {
  Handle = CreateEventA(nullptr, TRUE, FALSE, EventName.c_str());
  EXPECT_NE(nullptr, Handle) << "CreateEventA(" << EventName << ")";
}

NamedEvent::~NamedEvent() {
  SetEvent(Handle);  // releases a helper that still waits
  CloseHandle(Handle);
}
