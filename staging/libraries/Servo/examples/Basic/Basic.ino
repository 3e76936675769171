#include <Servo.h>
void setup() {}
void loop() {}
