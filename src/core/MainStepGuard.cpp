#include "MainStepGuard.h"
