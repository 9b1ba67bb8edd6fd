#include "app/Application.h"

#include "app/MainWindow.h"
#include "ui/Scan.h"
#include "ui/Settings.h"
#include "ui/WindowObjects.h"

int RunApplication(HINSTANCE instance) {
  AppInstance = instance;
  ApplyDefaultSettings();
  StartFirstScan();
  if (!BuildMainWindow(instance)) return -1;
  RequestScan();
  ProgramList.SetFocus();
  MainWindow.RunMessageLoop();
  return 1;
}
