#include "listview/IconCache.h"

#include <shlobj.h>

namespace {

const int DefaultProgramIconId = 1502;

// The control panel module is mapped for its icon only: its code, and the libraries that it
// needs, are not loaded.
HICON LoadDefaultProgramIcon() {
  HICON icon = nullptr;
  if (HMODULE module = LoadLibraryExA("appwiz.cpl", nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
    icon = static_cast<HICON>(
        LoadImageA(module, MAKEINTRESOURCEA(DefaultProgramIconId), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    FreeLibrary(module);
  }
  return icon;
}

// Adds the default program icon as image 0 of both image lists.
void AddDefaultIcon(CListView& list, HICON fallbackIcon) {
  HICON loaded = LoadDefaultProgramIcon();
  HICON icon = loaded ? loaded : fallbackIcon;
  list.AddSmallIcon(icon);
  list.AddLargeIcon(icon);
  if (loaded) DestroyIcon(loaded);
}

}  // namespace

void CIconCache::BeginPopulation(CListView& list, size_t count, HICON fallbackIcon) {
  const int images = list.GetImageCount();
  if (images == 0 || static_cast<size_t>(images) > 2 * count + 64) {
    list.RemoveAllIcons();
    AddDefaultIcon(list, fallbackIcon);
    Images.clear();
  }
  StampsThisPopulation.clear();
}

int CIconCache::ImageOf(CListView& list, const IconLocation& location) {
  const FileStamp stamp = StampOf(location.Path);
  if (!stamp.Known) return AddImage(list, location);
  CachedImage& cached = Images[std::make_pair(location.Path, location.Index)];
  if (!(cached.Stamp == stamp)) cached = {stamp, AddImage(list, location)};
  return cached.Image;
}

CIconCache::FileStamp CIconCache::StampOf(const std::string& path) {
  auto found = StampsThisPopulation.find(path);
  if (found != StampsThisPopulation.end()) return found->second;
  FileStamp stamp;
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes)) {
    stamp.Known = true;
    stamp.Size = (static_cast<ULONGLONG>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    stamp.LastWrite = (static_cast<ULONGLONG>(attributes.ftLastWriteTime.dwHighDateTime) << 32) |
                      attributes.ftLastWriteTime.dwLowDateTime;
  }
  return StampsThisPopulation[path] = stamp;
}

// Extracts the location's icons at the lists' sizes and adds them to both lists; the lists keep copies.
int CIconCache::AddImage(CListView& list, const IconLocation& location) {
  HICON large = nullptr, small = nullptr;
  const UINT sizes = MAKELONG(list.GetIconSize(false), list.GetIconSize(true));
  // On failure the handles may have been written with garbage: only the result tells.
  if (SHDefExtractIconA(location.Path.c_str(), location.Index, 0, &large, &small, sizes) != S_OK) return 0;
  int image = 0;
  if (large && small) {
    image = list.AddLargeIcon(large);
    list.AddSmallIcon(small);
    if (image == -1) image = 0;
  }
  if (large) DestroyIcon(large);
  if (small) DestroyIcon(small);
  return image;
}
