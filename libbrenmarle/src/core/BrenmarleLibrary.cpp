#include "core/BrenmarleLibrary.h"
