#include "Language.h"
