#include "support/UninstallerScript.h"

#include <fstream>

#include "support/TestData.h"

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

UninstallerScript::UninstallerScript() {
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  static int counter = 0;
  RecordFile = std::string(temp) + "quillmere-launches-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++counter) + ".txt";
  std::ofstream(RecordFile, std::ios::binary | std::ios::trunc);
}

UninstallerScript::~UninstallerScript() { DeleteFileA(RecordFile.c_str()); }

std::string UninstallerScript::CommandLine(const std::string& words) const {
  const std::string executable = ThisExecutable();
  const std::string helper = executable.substr(0, executable.find_last_of('\\') + 1) + "ScriptedUninstaller.exe";
  return Quoted(helper) + " --record " + Quoted(RecordFile) + (words.empty() ? "" : " " + words);
}

std::vector<std::string> UninstallerScript::Launches() const {
  std::ifstream in(RecordFile, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string DeleteRegistrationWords(const RegistrySandbox& sandbox, HKEY root, const std::string& keyName) {
  return "--delete-key " + Quoted(sandbox.ScratchPath(root) + "\\" + UninstallPath + keyName);
}
