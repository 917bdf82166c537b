#include "Settings.h"
