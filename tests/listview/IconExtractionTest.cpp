#include <gtest/gtest.h>

#include "support/AppSession.h"

namespace {

using IconExtractionTest = AppTest;

Texts Extracted;
ApiHook* ExtractHook = nullptr;
HRESULT WINAPI Extract(LPCSTR path, int index, UINT flags, HICON* large, HICON* small, UINT sizes) {
  Extracted.push_back(path + ("," + std::to_string(index)));
  return ExtractHook->Original<decltype(Extract)>()(path, index, flags, large, small, sizes);
}

TEST_F(IconExtractionTest, IconLocationsAreUnquotedAndExpandedANegativeNumberIsAnIdAndIconsKeepTheirAlpha) {
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, sizeof windows);
  const std::string path = UninstallPath + std::string("b");
  Register(HKEY_LOCAL_MACHINE, "a", "a");
  RegistrySandbox::Write(HKEY_LOCAL_MACHINE, UninstallPath + std::string("a"), "DisplayIcon", REG_SZ,
                         std::string("\"%SystemRoot%\\system32\\shell32.dll\",-16") + '\0');
  Register(HKEY_LOCAL_MACHINE, "b", "b");
  RegistrySandbox::Write(HKEY_LOCAL_MACHINE, path, "DisplayIcon", REG_EXPAND_SZ,
                         std::string("%SystemRoot%\\notepad.exe,0") + '\0');
  ApiHook extract("SHELL32.dll", "SHDefExtractIconA", &Extract);
  ExtractHook = &extract;
  StartUp();
  std::vector<int> images;
  LVITEMA item = {};
  for (item.mask = LVIF_IMAGE; ListView_GetItem(ProgramList.GetHandle(), &item); ++item.iItem)
    images.push_back(item.iImage);
  EXPECT_EQ((Texts{windows + std::string("\\system32\\shell32.dll,-16"), windows + std::string("\\notepad.exe,0")}),
            Extracted);
  EXPECT_EQ((std::vector<int>{1, 2}), images) << "both extracted";
  IMAGEINFO image = {};
  BITMAP bitmap = {};
  ASSERT_TRUE(ImageList_GetImageInfo(ProgramList.SmallImages, 1, &image));
  GetObjectA(image.hbmImage, sizeof bitmap, &bitmap);
  EXPECT_EQ(32, bitmap.bmBitsPixel) << "colours with an alpha channel";
}

}  // namespace
