#include "ui/RemovedEntries.h"

std::vector<RemovedRegistration> RemovedRegistrations;
