#include "Servo.h"
