#include "listview/IconCache.h"

#include <shellapi.h>

CIconCache::~CIconCache() {
  for (auto& cached : Cached) Release(cached.second.Icons);
  Release(Uncached);
}

void CIconCache::BeginPopulation() { StampsThisPopulation.clear(); }

void CIconCache::EndPopulation() { Release(Uncached); }

IconPair CIconCache::Icons(const IconLocation& location) {
  Release(Uncached);
  const FileStamp stamp = StampOf(location.Path);
  if (!stamp.Known) return Uncached = Extract(location);

  CachedIcons& cached = Cached[std::make_pair(location.Path, location.Index)];
  if (!(cached.Stamp == stamp)) {
    Release(cached.Icons);
    cached.Icons = Extract(location);
    cached.Stamp = stamp;
  }
  return cached.Icons;
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

IconPair CIconCache::Extract(const IconLocation& location) {
  IconPair icons;
  // On failure the handles may have been written with garbage (Wine does): only the count tells.
  const UINT extracted = ExtractIconExA(location.Path.c_str(), location.Index, &icons.Large, &icons.Small, 1);
  return extracted == 0 || extracted == UINT_MAX ? IconPair() : icons;
}

void CIconCache::Release(IconPair& icons) {
  if (icons.Large) DestroyIcon(icons.Large);
  if (icons.Small) DestroyIcon(icons.Small);
  icons = IconPair();
}
