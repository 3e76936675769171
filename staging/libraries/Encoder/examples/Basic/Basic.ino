#include <Encoder.h>
void setup() {}
void loop() {}
