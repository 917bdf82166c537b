#include "ExceptionStorm.h"
