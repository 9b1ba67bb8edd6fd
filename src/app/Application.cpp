#include "app/Application.h"

#include "actions/Scan.h"
#include "actions/Settings.h"
#include "actions/WindowObjects.h"
#include "app/MainWindow.h"

int RunApplication(HINSTANCE instance) {
  AppInstance = instance;
  ApplyDefaultSettings();
  if (!BuildMainWindow(instance)) return -1;
  RequestScan();
  ProgramList.SetFocus();
  MainWindow.RunMessageLoop();
  return 1;
}
