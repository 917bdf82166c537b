#include "Directories.h"
