#include "ui/Settings.h"

Settings AppSettings;
HINSTANCE AppInstance = nullptr;

void ApplyDefaultSettings() {
  AppSettings.WindowLeft = 10;
  AppSettings.WindowTop = 10;
  AppSettings.WindowWidth = 780;
  AppSettings.WindowHeight = 500;
  AppSettings.DetailsVisible = 1;
  AppSettings.SortColumn = ListColumn::Application;
  AppSettings.SortAscending = 1;
  AppSettings.ShowSystemComponents = 0;
  AppSettings.ShowSizeColumn = 1;
  AppSettings.ShowCompanyColumn = 1;
  AppSettings.ShowFrequencyColumn = 0;
  AppSettings.ShowLastUsedColumn = 0;
  AppSettings.ShowInstalledOnColumn = 0;
  AppSettings.ShowStatusColumn = 0;
}
