// Arduino API for the kestro4 core
#pragma once
#include "wiring.h"
