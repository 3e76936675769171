// Kestro tutorial 1: blink the on-board LED
void setup() { pinMode(13, OUTPUT); }
void loop() { digitalWrite(13, !digitalRead(13)); delay(500); }
