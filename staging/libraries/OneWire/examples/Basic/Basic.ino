#include <OneWire.h>
void setup() {}
void loop() {}
