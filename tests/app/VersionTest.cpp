#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "support/AppSession.h"
#include "ui/ResourceIds.h"

namespace {

// The project's version (project() in CMakeLists.txt) in the About box, and in the version resource
// of the program built beside the tests.
using VersionTest = AppTest;

std::string BuiltProgram() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string tests = path;
  return tests.substr(0, tests.find_last_of('\\')) + "\\..\\" QUILLMERE_PROGRAM_FILE;
}

std::string StringValue(std::vector<char>& info, const std::string& name) {
  char* value = nullptr;
  UINT length = 0;
  const std::string path = "\\StringFileInfo\\040904e4\\" + name;
  return VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ? value : "(missing)";
}

std::string Dotted(DWORD high, DWORD low) {
  return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." + std::to_string(HIWORD(low)) + "." +
         std::to_string(LOWORD(low));
}

TEST_F(VersionTest, TheAboutBoxAndTheBuiltProgramsVersionResourceShowTheProjectsVersion) {
  Command(IDM_ABOUT);
  ASSERT_EQ(1u, Boxes.Boxes.size());
  EXPECT_EQ(0u, Boxes.Boxes[0].find("Quillmere " QUILLMERE_PROJECT_VERSION "\r\n")) << Boxes.Boxes[0];

  const std::string program = BuiltProgram();
  std::vector<char> info(GetFileVersionInfoSizeA(program.c_str(), nullptr));
  ASSERT_TRUE(!info.empty() && GetFileVersionInfoA(program.c_str(), 0, info.size(), info.data())) << program;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
  EXPECT_EQ(QUILLMERE_PROJECT_VERSION ".0", Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS)) << "file version";
  EXPECT_EQ(QUILLMERE_PROJECT_VERSION ".0", Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS))
      << "product version";
  EXPECT_EQ(QUILLMERE_PROJECT_VERSION, StringValue(info, "FileVersion"));
  EXPECT_EQ(QUILLMERE_PROJECT_VERSION, StringValue(info, "ProductVersion"));
  EXPECT_EQ(QUILLMERE_PROGRAM_FILE, StringValue(info, "OriginalFilename"));
}

}  // namespace
