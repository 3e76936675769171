#include "OneWire.h"
