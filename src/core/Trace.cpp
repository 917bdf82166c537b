#include "Trace.h"
