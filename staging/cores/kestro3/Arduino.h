// Arduino API for the kestro3 core
#pragma once
#include "wiring.h"
