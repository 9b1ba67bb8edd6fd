#include "listview/IconCache.h"

#include <shellapi.h>

#include "app/MainWindow.h"
#include "listview/Population.h"

void CIconCache::BeginPopulation(size_t count) {
  const int images = ProgramList.GetImageCount();
  if (images == 0 || static_cast<size_t>(images) > 2 * count + 64) {
    ProgramList.RemoveAllIcons();
    AddDefaultIcon();
    Images.clear();
  }
  StampsThisPopulation.clear();
}

int CIconCache::ImageOf(const IconLocation& location) {
  const FileStamp stamp = StampOf(location.Path);
  if (!stamp.Known) return AddImage(location);
  CachedImage& cached = Images[std::make_pair(location.Path, location.Index)];
  if (!(cached.Stamp == stamp)) cached = {stamp, AddImage(location)};
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

// Extracts the location's icons and adds them to both lists; the lists keep copies.
int CIconCache::AddImage(const IconLocation& location) {
  HICON large = nullptr, small = nullptr;
  // On failure the handles may have been written with garbage (Wine does): only the count tells.
  const UINT extracted = ExtractIconExA(location.Path.c_str(), location.Index, &large, &small, 1);
  if (extracted == 0 || extracted == UINT_MAX) return 0;
  int image = 0;
  if (large && small) {
    image = ProgramList.AddLargeIcon(large);
    ProgramList.AddSmallIcon(small);
    if (image == -1) image = 0;
  }
  if (large) DestroyIcon(large);
  if (small) DestroyIcon(small);
  return image;
}
