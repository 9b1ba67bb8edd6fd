#include "app/Application.h"

#include "actions/Settings.h"
#include "actions/WindowObjects.h"
#include "app/MainWindow.h"
#include "app/Scan.h"

int RunApplication(HINSTANCE instance) {
  AppInstance = instance;
  ApplyDefaultSettings();
  if (!BuildMainWindow(instance)) return -1;
  Scan();
  ProgramList.SetFocus();
  MainWindow.RunMessageLoop();
  return 1;
}
