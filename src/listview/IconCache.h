#pragma once
// Program icons kept between populations of the list, by icon location. An icon is extracted
// again only when its file has changed (its size or last-write time); icons of files whose
// size and time cannot be read are extracted every time.
#include <windows.h>

#include <map>
#include <string>
#include <utility>

#include "listview/IconLocation.h"

struct IconPair {
  HICON Large = nullptr;
  HICON Small = nullptr;
};

class CIconCache {
 public:
  CIconCache() = default;
  ~CIconCache();
  CIconCache(const CIconCache&) = delete;
  CIconCache& operator=(const CIconCache&) = delete;

  // Starts a population: each file's size and time is read once per population.
  void BeginPopulation();
  // The icons of location, or null icons when it has none. The cache owns them: callers copy
  // them into the image lists before the next call and never destroy them.
  IconPair Icons(const IconLocation& location);
  // Releases the icons that it could not keep.
  void EndPopulation();

 private:
  struct FileStamp {
    bool Known = false;
    ULONGLONG Size = 0;
    ULONGLONG LastWrite = 0;
    bool operator==(const FileStamp& other) const {
      return Known == other.Known && Size == other.Size && LastWrite == other.LastWrite;
    }
  };
  struct CachedIcons {
    FileStamp Stamp;
    IconPair Icons;
  };

  FileStamp StampOf(const std::string& path);
  static IconPair Extract(const IconLocation& location);
  static void Release(IconPair& icons);

  std::map<std::pair<std::string, int>, CachedIcons> Cached;
  std::map<std::string, FileStamp> StampsThisPopulation;
  IconPair Uncached;  // the last icons of a file without a stamp
};
