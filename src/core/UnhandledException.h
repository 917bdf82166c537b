#pragma once

#include "ExceptionDescription.h"
#include "ExceptionStorm.h"

// The application-wide exception handler's work, shared by the window's and the service's
// application objects.

// Describes the exception being handled; call it only inside a catch block.
ExceptionFields describeCurrentException();

// Logs the exception and counts it; true when exceptions come in a storm and the program must
// end now.
[[nodiscard]] bool logAndCountException(const ExceptionFields& fields, ExceptionStorm& storm);
