#include "SingleInstance.h"

// The guard itself lives in the platform files beside this one.
