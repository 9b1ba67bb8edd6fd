#pragma once
// The program icons in the list's image lists, kept from one population to the next: adding an
// icon to an image list is the costly part of listing. Each icon location has one image in
// both lists, extracted again only when its file changes (its size or last-write time); a
// location whose file cannot be read is extracted again by every population.
#include <windows.h>

#include <map>
#include <string>
#include <utility>

#include "listview/IconLocation.h"
#include "listview/ListView.h"

class CIconCache {
 public:
  // Starts a population of list with count entries. New image lists, and lists that hold far
  // more images than such a population can use, are emptied and given the default icon first:
  // the system's default program icon, or fallbackIcon when that cannot be loaded.
  void BeginPopulation(CListView& list, size_t count, HICON fallbackIcon);
  // The image of the location's icons in both lists, or 0 (the default icon) when it has none.
  int ImageOf(CListView& list, const IconLocation& location);

 private:
  struct FileStamp {
    bool Known = false;
    ULONGLONG Size = 0;
    ULONGLONG LastWrite = 0;
    bool operator==(const FileStamp& other) const {
      return Known == other.Known && Size == other.Size && LastWrite == other.LastWrite;
    }
  };
  struct CachedImage {
    FileStamp Stamp;
    int Image = 0;
  };

  FileStamp StampOf(const std::string& path);
  static int AddImage(CListView& list, const IconLocation& location);

  std::map<std::pair<std::string, int>, CachedImage> Images;
  std::map<std::string, FileStamp> StampsThisPopulation;
};
