#include "actions/ActionScope.h"

#include "app/Scan.h"

namespace {

bool Running = false;

}  // namespace

CActionScope::CActionScope() : Owner(!Running) { Running = true; }

CActionScope::~CActionScope() {
  if (!Owner) return;
  Running = false;
  RunRequestedScan();
}

bool ActionInProgress() { return Running; }
